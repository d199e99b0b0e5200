#include "settings/screens/OutputLanguageEditor.h"

#include "settings/BetaSettingsModel.h"
#include "settings/Copy.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/OptionList.h"
#include "settings/screens/ScreenContext.h"

OutputLanguageEditor::OutputLanguageEditor(BetaSettingsModel& model, QWidget* parent)
    : EditorPage(10, parent), model_(model) {
    const QList<OptionRow<QString>> rows{
        {QStringLiteral("話したまま"), QStringLiteral("spoken"), QString()},
        {QStringLiteral("キーボードに合わせる"), QStringLiteral("keyboard"), QString()},
    };
    BetaSettingsModel* m = &model_;
    cards_ = new OptionCardList(rows, Copy::outputLanguages(),
                                Binding<QString>{[m] { return m->outputLanguage(); },
                                                 [m](const QString& value) { m->setOutputLanguage(value); }});
    section_ = new OptionSection(
        QStringLiteral("話した通りの言語で出すか、いまのキーボードの言語に合わせて出すかを選びます。"), cards_);
    add(section_);
    refresh();
    watchModel(this, model_, [this] { refresh(); });
}

void OutputLanguageEditor::refresh() {
    const bool disabled = model_.qualityLevel() != QLatin1String("high");
    cards_->refresh();
    cards_->setOptionsDisabled(disabled);
    section_->setDisabledNote(
        disabled ? std::optional<QString>(QStringLiteral(
                       "言語を変えられるのは Max のときだけです。ここを使うには「アウトプットの品質」を Max にして、「文章の整えかた」も入にしてください。"))
                 : std::nullopt);
}

QWidget* makeOutputLanguageScreen(BetaSettingsModel& model, SettingsNav&, const ScreenContext&) {
    return new OutputLanguageEditor(model);
}
