#include "settings/screens/NewlineEditor.h"

#include "settings/BetaSettingsModel.h"
#include "settings/Copy.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/OptionList.h"
#include "settings/screens/ScreenContext.h"

NewlineEditor::NewlineEditor(BetaSettingsModel& model, QWidget* parent) : EditorPage(10, parent), model_(model) {
    const QList<OptionRow<QString>> rows{
        {QStringLiteral("入れない"), QStringLiteral("off"), QString()},
        {QStringLiteral("改行する"), QStringLiteral("line"), QString()},
        {QStringLiteral("1行空ける"), QStringLiteral("blank"), QString()},
        {QStringLiteral("使い分ける"), QStringLiteral("smart"), QString()},
    };
    BetaSettingsModel* m = &model_;
    // The model's setter stores the style (through the settings' own check) and tells the shell.
    cards_ = new OptionCardList(rows, Copy::newlineStyles(),
                                Binding<QString>{[m] { return m->newlineStyle(); },
                                                 [m](const QString& value) { m->setNewlineStyle(value); }});
    section_ = new OptionSection(QStringLiteral("長く話したときに、話の切れ目で改行を入れます。"), cards_);
    add(section_);
    refresh();
    watchModel(this, model_, [this] { refresh(); });
}

void NewlineEditor::refresh() {
    const bool disabled = model_.cleanupMode() == QLatin1String("off");
    cards_->refresh();
    cards_->setOptionsDisabled(disabled);
    section_->setDisabledNote(
        disabled ? std::optional<QString>(
                       QStringLiteral("改行を入れられるのは文章を整えるときだけです。「文章の整えかた」を入にしてください。"))
                 : std::nullopt);
}

QWidget* makeNewlineScreen(BetaSettingsModel& model, SettingsNav&, const ScreenContext&) {
    return new NewlineEditor(model);
}
