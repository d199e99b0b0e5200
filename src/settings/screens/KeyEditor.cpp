#include "settings/screens/KeyEditor.h"

#include "settings/BetaSettingsModel.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"

#include <QHBoxLayout>

KeyEditor::KeyEditor(BetaSettingsModel& model, QWidget* parent)
    : EditorPage(12, parent), model_(model) {
    auto* line = new QHBoxLayout;
    line->setSpacing(0);
    line->addWidget(new PaletteLabel(QStringLiteral("いま: "), SettingsFont::make(15),
                                     [] { return Palette::systemSecondary(); }));
    current_ = new PaletteLabel(model_.triggerKeyDisplayName(), SettingsFont::semibold(15), [] { return Palette::text(); });
    line->addWidget(current_);
    line->addStretch(1);
    addLayout(line);

    auto* explanation =
        new PaletteLabel(QStringLiteral("このキーを押している間だけ、話した内容を文字にします。緑のキーから選べます。"),
                         SettingsFont::make(12), [] { return Palette::systemSecondary(); });
    explanation->setWrapping(true);
    add(explanation);

    picker_ = new KeyboardPicker(model_);
    add(picker_);

    watchModel(this, model_, [this] { current_->setText(model_.triggerKeyDisplayName()); });
}

QWidget* makeTriggerKeyScreen(BetaSettingsModel& model, SettingsNav&, const ScreenContext&) {
    return new KeyEditor(model);
}
