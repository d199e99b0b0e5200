#include "settings/screens/SpokenLanguageEditor.h"

#include "settings/BetaSettingsModel.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/OptionList.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/PaletteLabel.h"

SpokenLanguageEditor::SpokenLanguageEditor(BetaSettingsModel& model, QWidget* parent)
    : EditorPage(12, parent), model_(model) {
    const QList<OptionRow<QString>> rows{
        {QStringLiteral("キーボードのまま"), QStringLiteral("keyboard"),
         QStringLiteral("いまの入力ソースの言語で認識します")},
        {QStringLiteral("日本語"), QStringLiteral("ja"),
         QStringLiteral("話すとき、入力ソースを日本語のキー配列（jp）に切り替えます")},
        {QStringLiteral("English"), QStringLiteral("en"),
         QStringLiteral("話すとき、入力ソースを英語のキー配列（us など）に切り替えます")},
    };
    BetaSettingsModel* m = &model_;
    // The model's setter stores the language, switches the input source (the keyboard's layout
    // group: one with a Japanese or an English layout; an input method's own mode is left alone)
    // and tells the shell.
    list_ = new OptionCheckList(rows, Binding<QString>{[m] { return m->spokenLanguage(); },
                                                       [m](const QString& value) { m->setSpokenLanguage(value); }});
    add(makeOptionCaption(QStringLiteral(
        "ここで選んだ言語に、話す前に入力ソースを合わせます。認識される言語と入力される文字が一致します。")));
    add(list_);
    watchModel(this, model_, [this] { list_->refresh(); });
}

QWidget* makeSpokenLanguageScreen(BetaSettingsModel& model, SettingsNav&, const ScreenContext&) {
    return new SpokenLanguageEditor(model);
}
