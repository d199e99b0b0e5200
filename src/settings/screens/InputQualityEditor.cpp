#include "settings/screens/InputQualityEditor.h"

#include "settings/BetaSettingsModel.h"
#include "settings/Copy.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/OptionList.h"
#include "settings/screens/ScreenContext.h"

const QString InputQualityEditor::kCaption =
    QStringLiteral("インプットの品質を上げるほど、話した内容をより正確に文字にします。");
const QString InputQualityEditor::kLowNote =
    QStringLiteral("いまはアウトプットの品質が「Low」なので、この設定は使われません。");

InputQualityEditor::InputQualityEditor(BetaSettingsModel& model, QWidget* parent)
    : EditorPage(10, parent), model_(model) {
    const QList<OptionRow<int>> rows{
        {QStringLiteral("100%"), 100, QString()}, {QStringLiteral("90%"), 90, QString()},
        {QStringLiteral("80%"), 80, QString()},   {QStringLiteral("70%"), 70, QString()},
        {QStringLiteral("60%"), 60, QString()},
    };
    BetaSettingsModel* m = &model_;
    // The model's setter stores the percentage (through the settings' own check) and tells the shell.
    cards_ = new OptionCardList(rows, Copy::inputQualities(),
                                Binding<int>{[m] { return m->inputQualityPercent(); },
                                             [m](int value) { m->setInputQualityPercent(value); }});
    section_ = new OptionSection(kCaption, cards_);
    add(section_);
    refresh();
    watchModel(this, model_, [this] { refresh(); });
}

void InputQualityEditor::refresh() {
    const bool disabled = model_.qualityLevel() == QLatin1String("low");
    cards_->refresh();
    cards_->setOptionsDisabled(disabled);
    section_->setDisabledNote(disabled ? std::optional<QString>(kLowNote) : std::nullopt);
}

QWidget* makeInputQualityScreen(BetaSettingsModel& model, SettingsNav&, const ScreenContext&) {
    return new InputQualityEditor(model);
}
