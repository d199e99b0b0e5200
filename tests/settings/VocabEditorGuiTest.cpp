#include "settings/screens/VocabEditor.h"

#include "ListEditorFixture.h"
#include "settings/SettingsNav.h"
#include "settings/screens/ChangeLineRow.h"
#include "settings/screens/OccupationPresetButtons.h"
#include "settings/screens/ScreenColors.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"

#include <QApplication>

namespace {

class VocabEditorTest : public ListEditorFixture {
protected:
    VocabEditor* open() {
        if (!model) makeModel();
        screen.reset(makeVocabularyScreen(*model, nav, context));
        screen->resize(420, 700);
        screen->show();
        return editor();
    }
    VocabEditor* editor() const { return static_cast<VocabEditor*>(screen.get()); }
    ListTextBox* box() const { return editor()->textBox(); }
    QString counts() const {
        return editor()->wordCountLabel()->text() + QLatin1Char(' ') + editor()->characterCountLabel()->text();
    }
    bool counterIsRed() const { return editor()->characterCountLabel()->palette().color(QPalette::WindowText) == ScreenColors::red(); }
    bool warningShown() const { return !editor()->budgetWarning()->isHidden(); }

    SettingsNav nav;
};

TEST_F(VocabEditorTest, ShowsTheSavedWordsOnePerLineWithCounters) {
    defaults.set(QStringLiteral("vocabulary"), QStringLiteral("Quendle, 株式会社モロタン"));
    open();
    EXPECT_EQ(box()->editor()->toPlainText(), QStringLiteral("Quendle\n株式会社モロタン"));
    EXPECT_FALSE(box()->showsPlaceholder());
    EXPECT_EQ(counts(), QStringLiteral("2語 17/300字"));
    EXPECT_FALSE(editor()->saveBar()->isDirty());
    EXPECT_FALSE(editor()->saveBar()->saveButton()->isEnabled());
}

TEST_F(VocabEditorTest, EmptyAndBlankTextsCountNothingButOnlyTheEmptyOneShowsThePlaceholder) {
    defaults.set(QStringLiteral("vocabulary"), QStringLiteral("Excel"));
    open();
    type(box(), QString());
    EXPECT_TRUE(box()->showsPlaceholder());
    EXPECT_EQ(counts(), QStringLiteral("0語 0/300字"));
    EXPECT_FALSE(counterIsRed());

    type(box(), QStringLiteral("  \n\n\t\u3000\n"));
    EXPECT_FALSE(box()->showsPlaceholder());
    EXPECT_EQ(counts(), QStringLiteral("0語 0/300字"));
    EXPECT_TRUE(editor()->saveBar()->isDirty());  // the empty list against "Excel"

    // Saving the empty text stores the empty list (not the built-in one).
    editor()->saveBar()->saveButton()->click();
    EXPECT_TRUE(defaults.object(QStringLiteral("vocabulary")).isValid());
    EXPECT_EQ(stored("vocabulary"), QString());
    EXPECT_FALSE(editor()->saveBar()->isDirty());
}

TEST_F(VocabEditorTest, WordsOnOneLineCountAsTheStoredFormAndRevertShowsThemOnePerLine) {
    defaults.set(QStringLiteral("vocabulary"), QStringLiteral("Quendle"));
    open();
    type(box(), QStringLiteral("Excel, Word"));
    EXPECT_EQ(counts(), QStringLiteral("2語 11/300字"));
    EXPECT_EQ(model->vocabularyText(), QStringLiteral("Excel, Word"));
    EXPECT_EQ(stored("vocabulary"), QStringLiteral("Quendle"));  // nothing stored while typing
    EXPECT_TRUE(editor()->saveBar()->isDirty());
    EXPECT_EQ(editor()->saveBar()->notice()->text(), QStringLiteral("まだ保存されていません（+2 −1）"));

    editor()->saveBar()->saveButton()->click();
    EXPECT_EQ(stored("vocabulary"), QStringLiteral("Excel, Word"));
    EXPECT_EQ(box()->editor()->toPlainText(), QStringLiteral("Excel, Word"));  // left as typed
    EXPECT_FALSE(editor()->saveBar()->isDirty());

    type(box(), QStringLiteral("Excel, Word, Teams"));
    editor()->saveBar()->revertButton()->click();
    EXPECT_EQ(box()->editor()->toPlainText(), QStringLiteral("Excel\nWord"));
    EXPECT_EQ(model->vocabularyText(), QStringLiteral("Excel\nWord"));
    EXPECT_FALSE(editor()->saveBar()->isDirty());
    EXPECT_FALSE(BetaSettingsModel::vocabularyEditPending());
}

TEST_F(VocabEditorTest, BlanksEmptyLinesAndDuplicates) {
    defaults.set(QStringLiteral("vocabulary"), QStringLiteral("Excel, Word"));
    open();
    type(box(), QStringLiteral("  Excel \n\n\tWord\n"));
    EXPECT_EQ(counts(), QStringLiteral("2語 11/300字"));
    EXPECT_FALSE(editor()->saveBar()->isDirty());

    type(box(), QStringLiteral("Excel\nWord\nWord"));
    EXPECT_EQ(counts(), QStringLiteral("3語 17/300字"));
    editor()->saveBar()->saveButton()->click();
    EXPECT_EQ(stored("vocabulary"), QStringLiteral("Excel, Word, Word"));
}

TEST_F(VocabEditorTest, TheBudgetIsThreeHundredCharactersOfTheStoredForm) {
    open();
    // Three words of 98 characters: 98 * 3 + 2 * 2 separators = 298; two more make exactly 300.
    const QString word = QString(QChar(0x3042)).repeated(98);
    type(box(), word + QLatin1Char('\n') + word + QLatin1Char('\n') + word + QStringLiteral("ああ"));
    EXPECT_EQ(editor()->characterCountLabel()->text(), QStringLiteral("300/300字"));
    EXPECT_FALSE(counterIsRed());
    EXPECT_FALSE(warningShown());

    // One more character, here a flag of two code points that is still one character.
    type(box(), box()->editor()->toPlainText() + QStringLiteral("\U0001F1EF\U0001F1F5"));
    EXPECT_EQ(editor()->characterCountLabel()->text(), QStringLiteral("301/300字"));
    EXPECT_TRUE(counterIsRed());
    EXPECT_TRUE(warningShown());
    EXPECT_EQ(editor()->budgetWarning()->text(), QStringLiteral("300字を超えた分は使われません。いくつか消してください。"));

    // Over the budget still saves the whole list.
    editor()->saveBar()->saveButton()->click();
    EXPECT_EQ(stored("vocabulary"), BetaSettingsModel::splitWordList(model->vocabularyText()).join(", "));
}

TEST_F(VocabEditorTest, AListOverTwoThousandCharactersSaysSoAndCannotBeSaved) {
    defaults.set(QStringLiteral("vocabulary"), QStringLiteral("Excel"));
    signIn();
    open();
    const size_t sent = http.requests().size();
    type(box(), QString(2001, QLatin1Char('x')));
    EXPECT_TRUE(editor()->tooLongNotice()->isVisible());
    EXPECT_EQ(editor()->tooLongNotice()->text(), QStringLiteral("2000字を超えているので保存できません。いくつか消してください。"));
    EXPECT_TRUE(editor()->saveBar()->isDirty());
    EXPECT_FALSE(editor()->saveBar()->saveButton()->isEnabled());
    EXPECT_TRUE(editor()->saveBar()->revertButton()->isEnabled());
    model->saveVocabulary();  // Ctrl+S, or any other way in
    EXPECT_EQ(stored("vocabulary"), QStringLiteral("Excel"));
    EXPECT_EQ(http.requests().size(), sent) << "nothing is sent to the service either";

    type(box(), QString(2000, QLatin1Char('x')));
    EXPECT_FALSE(editor()->tooLongNotice()->isVisible());
    editor()->saveBar()->saveButton()->click();
    EXPECT_EQ(stored("vocabulary"), QString(2000, QLatin1Char('x')));
}

TEST_F(VocabEditorTest, APresetRewritesTheBoxOneWordPerLineAsAnUnsavedEdit) {
    defaults.set(QStringLiteral("vocabulary"), QStringLiteral("Quendle"));
    open();
    type(box(), QStringLiteral("Excel, Word"));
    editor()->presets()->buttons()[4]->click();  // 法務・法律
    const QStringList lines = box()->editor()->toPlainText().split(QLatin1Char('\n'));
    EXPECT_EQ(lines.mid(0, 3), (QStringList{"Excel", "Word", "契約書"}));
    EXPECT_EQ(counts().section(QLatin1Char(' '), 0, 0), QString::number(lines.size()) + QStringLiteral("語"));
    EXPECT_TRUE(editor()->saveBar()->isDirty());
    EXPECT_EQ(stored("vocabulary"), QStringLiteral("Quendle"));
    // More than eight changes: eight lines and the closing count.
    ASSERT_EQ(editor()->saveBar()->changeRows().size(), 9);
    EXPECT_EQ(editor()->saveBar()->changeRows().last()->change().kind, VocabChange::Kind::more);
}

TEST_F(VocabEditorTest, AppearingStartsOneSyncPassThatPullsANewerCopyIntoTheBox) {
    signIn();
    defaults.set(QStringLiteral("vocabulary"), QStringLiteral("Quendle"));
    open();
    EXPECT_EQ(appearances, 1);
    ASSERT_EQ(http.requests().size(), 1u);
    EXPECT_EQ(http.requests()[0].method, QByteArray("GET"));
    answer(QJsonObject{{"vocabulary", "Excel、Word"}, {"corrections", ""}, {"updated_at", "2030-01-01T00:00:00Z"}});
    EXPECT_EQ(stored("vocabulary"), QStringLiteral("Excel, Word"));
    EXPECT_EQ(box()->editor()->toPlainText(), QStringLiteral("Excel\nWord"));
    EXPECT_FALSE(editor()->saveBar()->isDirty());

    // The window hiding and coming back over the same page is not a new appearance.
    screen->hide();
    screen->show();
    EXPECT_EQ(appearances, 1);
    EXPECT_EQ(http.requests().size(), 1u);
}

TEST_F(VocabEditorTest, AppearingWithAnUnsavedCorrectionsEditSendsNothing) {
    signIn();
    makeModel();
    model->setCorrections(QStringLiteral("a → b"));
    open();
    EXPECT_EQ(appearances, 1);
    EXPECT_TRUE(http.requests().empty());
}

TEST_F(VocabEditorTest, AppearingWithUnacknowledgedListsPushesTheStoredOnesNotTheBox) {
    signIn();
    defaults.set(QStringLiteral("vocabulary"), QStringLiteral("Excel, Word"));
    defaults.set(QStringLiteral("prefsDirty"), true);
    makeModel();
    open();
    ASSERT_EQ(http.requests().size(), 1u);
    EXPECT_EQ(http.requests()[0].method, QByteArray("PUT"));
    const QJsonObject body = QJsonDocument::fromJson(http.requests()[0].body.value_or(QByteArray())).object();
    EXPECT_EQ(body.value("vocabulary").toString(), QStringLiteral("Excel, Word"));
    EXPECT_EQ(body.value("corrections").toString(), QStringLiteral("開業 → 改行"));
}

}  // namespace
