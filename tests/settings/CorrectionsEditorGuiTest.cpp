#include "settings/screens/CorrectionsEditor.h"

#include "ListEditorFixture.h"
#include "settings/SettingsNav.h"
#include "settings/screens/ChangeLineRow.h"
#include "settings/ui/PaletteLabel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTextCursor>

namespace {

void press(QWidget* widget, int key, const QString& text = QString(), Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &event);
}

class CorrectionsEditorTest : public ListEditorFixture {
protected:
    CorrectionsEditor* open() {
        if (!model) makeModel();
        screen.reset(makeCorrectionsScreen(*model, nav, context));
        screen->resize(420, 700);
        screen->show();
        return editor();
    }
    CorrectionsEditor* editor() const { return static_cast<CorrectionsEditor*>(screen.get()); }
    ListTextBox* box() const { return editor()->textBox(); }
    SaveRevertBar* bar() const { return editor()->saveBar(); }

    SettingsNav nav;
};

TEST_F(CorrectionsEditorTest, ShowsTheBuiltInRuleUntilTheKeyIsWrittenAndSavesAnEmptyBox) {
    open();
    EXPECT_EQ(box()->editor()->toPlainText(), QStringLiteral("開業 → 改行"));
    EXPECT_FALSE(bar()->isDirty());

    type(box(), QString());
    EXPECT_TRUE(box()->showsPlaceholder());
    EXPECT_EQ(box()->placeholder()->text(), QStringLiteral("例:\n開業 → 改行\nスイカ → Suica"));
    EXPECT_EQ(bar()->notice()->text(), QStringLiteral("まだ保存されていません（−1）"));
    bar()->saveButton()->click();
    EXPECT_TRUE(defaults.object(QStringLiteral("corrections")).isValid());
    EXPECT_EQ(stored("corrections"), QString());
    EXPECT_TRUE(AppPrefs::correctionPairs().isEmpty());
    EXPECT_FALSE(bar()->isDirty());
}

TEST_F(CorrectionsEditorTest, RulesLongerThanTheServiceKeepsAreSavedWithANotice) {
    open();
    EXPECT_FALSE(editor()->tooLongForServiceNotice()->isVisible());
    const QString rules = QStringLiteral("ごにん → 誤認だ\n").repeated(400);  // 4000 characters
    type(box(), rules);
    EXPECT_FALSE(editor()->tooLongForServiceNotice()->isVisible());
    type(box(), rules + QStringLiteral("x"));
    EXPECT_TRUE(editor()->tooLongForServiceNotice()->isVisible());
    EXPECT_EQ(editor()->tooLongForServiceNotice()->text(),
              QStringLiteral("4000字を超えているので、超えた分の行はサーバーに保存されません。"));
    bar()->saveButton()->click();
    EXPECT_EQ(stored("corrections"), rules + QStringLiteral("x"));
}

// One rule longer than the service keeps would leave nothing to send in its place: it is refused.
TEST_F(CorrectionsEditorTest, ARuleLongerThanTheServiceKeepsIsNotSavedAndTheEditorSaysWhy) {
    defaults.set(QStringLiteral("corrections"), QStringLiteral("a → b"));
    open();
    EXPECT_FALSE(editor()->ruleTooLongNotice()->isVisible());
    const QString longest = QStringLiteral("、,").repeated(1997) + QStringLiteral("長い → 誤");  // 4000 characters
    type(box(), QStringLiteral("a → b\n") + longest);
    EXPECT_FALSE(editor()->ruleTooLongNotice()->isVisible());
    EXPECT_TRUE(bar()->saveButton()->isEnabled());

    type(box(), QStringLiteral("a → b\n") + longest + QStringLiteral("x"));
    EXPECT_TRUE(editor()->ruleTooLongNotice()->isVisible());
    EXPECT_EQ(editor()->ruleTooLongNotice()->text(),
              QStringLiteral("4000字を超える行があるので保存できません。1つの言い直しは、サーバーに入る4000字までにしてください。"));
    EXPECT_FALSE(editor()->tooLongForServiceNotice()->isVisible());
    EXPECT_FALSE(bar()->saveButton()->isEnabled());
    bar()->saveButton()->click();
    EXPECT_EQ(stored("corrections"), QStringLiteral("a → b"));
    EXPECT_TRUE(bar()->isDirty());
}

TEST_F(CorrectionsEditorTest, ATrailingBlankOrEmptyLineIsUnsavedWithoutSummaryOrLines) {
    defaults.set(QStringLiteral("corrections"), QStringLiteral("a → b"));
    open();
    for (const QString& text : {QStringLiteral("a → b "), QStringLiteral("a → b\n")}) {
        type(box(), text);
        EXPECT_TRUE(bar()->isDirty());
        EXPECT_EQ(bar()->notice()->text(), QStringLiteral("まだ保存されていません"));
        EXPECT_TRUE(bar()->changeRows().isEmpty());
    }
    // Typing the saved text back ends the edit.
    type(box(), QStringLiteral("a → b"));
    EXPECT_FALSE(bar()->isDirty());
    EXPECT_FALSE(BetaSettingsModel::vocabularyEditPending());
}

TEST_F(CorrectionsEditorTest, RulesAreSavedExactlyAsTypedAndWorkWithEitherSeparator) {
    open();
    const QString text = QStringLiteral("開業→改行\nスイカ=Suica\nno separator here\n");
    type(box(), text);
    EXPECT_EQ(stored("corrections"), QString());  // nothing stored while typing
    bar()->saveButton()->click();
    EXPECT_EQ(stored("corrections"), text);
    EXPECT_EQ(model->savedCorrections(), text);
    const auto pairs = AppPrefs::correctionPairs();
    ASSERT_EQ(pairs.size(), 2);
    EXPECT_EQ(pairs[0].wrong, QStringLiteral("開業"));
    EXPECT_EQ(pairs[0].right, QStringLiteral("改行"));
    EXPECT_EQ(pairs[1].wrong, QStringLiteral("スイカ"));
    EXPECT_EQ(pairs[1].right, QStringLiteral("Suica"));
}

TEST_F(CorrectionsEditorTest, NineNewRulesShowEightLinesAndTheRest) {
    defaults.set(QStringLiteral("corrections"), QString());
    open();
    QStringList rules;
    for (int i = 1; i <= 9; ++i) rules << QStringLiteral("w%1 → r%1").arg(i);
    type(box(), rules.join(QLatin1Char('\n')));
    EXPECT_EQ(bar()->notice()->text(), QStringLiteral("まだ保存されていません（+9）"));
    const QList<ChangeLineRow*> rows = bar()->changeRows();
    ASSERT_EQ(rows.size(), 9);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(rows[i]->change().kind, VocabChange::Kind::added);  // rule lines are never paired
        EXPECT_EQ(rows[i]->change().newText, rules[i]);
    }
    EXPECT_EQ(rows[8]->change().newText, QStringLiteral("ほか 1件"));
}

TEST_F(CorrectionsEditorTest, RevertRestoresTheSavedTextCharacterForCharacter) {
    const QString saved = QStringLiteral("a → b\n\n  c → d \n");
    defaults.set(QStringLiteral("corrections"), saved);
    open();
    type(box(), QStringLiteral("x"));
    type(box(), QStringLiteral("x → y\nz"));
    bar()->revertButton()->click();
    EXPECT_EQ(model->corrections(), saved);
    EXPECT_EQ(box()->editor()->toPlainText(), saved);
    EXPECT_FALSE(bar()->isDirty());
}

// The editor holds every line break as one paragraph break and would read a no-break space as a
// space and a line separator as a line feed: none of that may reach the stored rules.
TEST_F(CorrectionsEditorTest, StoredCharactersStayAsStoredAndAnEditStoresOnlyWhatWasTyped) {
    const QString saved = QStringLiteral("a\u00a0→ b\r\nc → d\u2028e → f\r\n");
    defaults.set(QStringLiteral("corrections"), saved);
    open();
    QPlainTextEdit* edit = box()->editor();
    EXPECT_EQ(model->corrections(), saved);
    EXPECT_FALSE(bar()->isDirty());

    // A reload of the model leaves the editor and its caret where they are.
    QTextCursor caret = edit->textCursor();
    caret.setPosition(2);
    edit->setTextCursor(caret);
    defaults.set(QStringLiteral("lowCleanup"), true);
    model->reload();
    ASSERT_TRUE(model->lowCleanupEnabled());
    EXPECT_EQ(edit->textCursor().position(), 2);
    EXPECT_EQ(model->corrections(), saved);

    // Typed: a character, a new line after "b", and Delete over the stored CR LF that follows.
    press(edit, Qt::Key_X, QStringLiteral("x"));
    EXPECT_EQ(model->corrections(), QStringLiteral("a\u00a0x→ b\r\nc → d\u2028e → f\r\n"));
    caret = edit->textCursor();
    caret.setPosition(6);
    edit->setTextCursor(caret);
    press(edit, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(model->corrections(), QStringLiteral("a\u00a0x→ b\n\r\nc → d\u2028e → f\r\n"));
    press(edit, Qt::Key_Delete);
    EXPECT_EQ(model->corrections(), QStringLiteral("a\u00a0x→ b\nc → d\u2028e → f\r\n"));
    // Shift+Return at the very end makes a line feed too.
    edit->moveCursor(QTextCursor::End);
    press(edit, Qt::Key_Return, QStringLiteral("\r"), Qt::ShiftModifier);
    const QString typed = QStringLiteral("a\u00a0x→ b\nc → d\u2028e → f\r\n\n");
    EXPECT_EQ(model->corrections(), typed);
    bar()->saveButton()->click();
    EXPECT_EQ(stored("corrections"), typed);
}

TEST_F(CorrectionsEditorTest, AppearingSyncsUnlessAnEditIsPendingAndSavingPushesBothLists) {
    signIn();
    makeModel();
    model->setVocabularyText(QStringLiteral("unsaved"));
    open();
    EXPECT_EQ(appearances, 1);
    EXPECT_TRUE(http.requests().empty());  // the vocabulary editor holds an edit

    model->setVocabularyText(model->savedVocabulary().split(QStringLiteral(", ")).join(QLatin1Char('\n')));
    screen.reset();
    open();
    ASSERT_EQ(http.requests().size(), 1u);
    EXPECT_EQ(http.requests()[0].method, QByteArray("GET"));
    answer(QJsonObject{{"vocabulary", "Excel"}, {"corrections", "p → q\n\nr → s"}, {"updated_at", "2030-01-01T00:00:00Z"}});
    EXPECT_EQ(box()->editor()->toPlainText(), QStringLiteral("p → q\nr → s"));

    type(box(), QStringLiteral("p → q"));
    bar()->saveButton()->click();
    ASSERT_EQ(http.requests().size(), 2u);
    EXPECT_EQ(http.requests()[1].method, QByteArray("PUT"));
    const QJsonObject body = QJsonDocument::fromJson(http.requests()[1].body.value_or(QByteArray())).object();
    EXPECT_EQ(body.value("vocabulary").toString(), QStringLiteral("Excel"));
    EXPECT_EQ(body.value("corrections").toString(), QStringLiteral("p → q"));
}

}  // namespace
