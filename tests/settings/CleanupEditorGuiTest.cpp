#include "settings/screens/CleanupEditor.h"

#include "settings/SettingsNav.h"
#include "settings/screens/ListTextBox.h"
#include "settings/screens/OptionList.h"
#include "settings/screens/SaveRevertBar.h"
#include "settings/screens/ScreenContext.h"
#include "settings/screens/SegmentedPicker.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/PickCard.h"
#include "settings/ui/SwitchToggle.h"
#include "settings/ui/ToggleRow.h"

#include "TextScreensFixture.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace {

class CleanupEditorTest : public TextScreensFixture {
protected:
    // The screen goes before the model it watches.
    void TearDown() override {
        host.reset();
        TextScreensFixture::TearDown();
    }

    CleanupEditor& build() {
        BetaSettingsModel& model = makeModel();
        SettingsNav nav;
        screen = static_cast<CleanupEditor*>(makeCleanupScreen(model, nav, ScreenContext{}));
        host = std::make_unique<TextScreenHost>(screen);
        return *screen;
    }
    // Replaces the note field's text as typing would.
    void type(const QString& text) { screen->noteField()->editor()->setPlainText(text); }
    void chooseStyle(const QString& style) { press(screen->styleCards()[CleanupEditor::styleValues().indexOf(style)]); }

    CleanupEditor* screen = nullptr;
    std::unique_ptr<TextScreenHost> host;
};

TEST_F(CleanupEditorTest, OffShowsOnlyTheCardsTheLowSwitchAndTheDecision) {
    defaults.set(QStringLiteral("cleanup"), false);
    CleanupEditor& page = build();

    QStringList titles;
    for (PickCard* card : page.styleCards()) titles << card->item().title;
    EXPECT_EQ(titles, (QStringList{"整えない", "読みやすくする", "ていねいに", "指示を伝える", "くだけた言い方", "やわらかい言い方"}));
    EXPECT_TRUE(page.styleCards()[0]->isSelected());
    EXPECT_FALSE(page.noteBlock()->isVisible());
    EXPECT_FALSE(page.heartRow()->isVisible());
    EXPECT_TRUE(page.lowCleanupToggle()->isVisible());
    EXPECT_TRUE(page.modeCards()->isVisible());

    press(page.lowCleanupToggle()->toggle());
    EXPECT_EQ(defaults.object(QStringLiteral("lowCleanup")), QVariant(true));
}

TEST_F(CleanupEditorTest, ChoosingAStyleStoresItAndShowsItsNoteHintAndForLoverTheHearts) {
    defaults.set(QStringLiteral("cleanup"), false);
    defaults.set(QStringLiteral("styleNote.formal"), QStringLiteral("絵文字なし"));
    CleanupEditor& page = build();

    chooseStyle(QStringLiteral("lover"));
    EXPECT_EQ(defaults.object(QStringLiteral("cleanup")), QVariant(true));
    EXPECT_EQ(stored("cleanupStyle"), QStringLiteral("lover"));
    EXPECT_EQ(settingsChanged, 1);
    EXPECT_TRUE(page.styleCards()[5]->isSelected());
    EXPECT_FALSE(page.styleCards()[0]->isSelected());
    EXPECT_TRUE(page.noteBlock()->isVisible());
    EXPECT_TRUE(page.noteField()->showsPlaceholder());
    EXPECT_EQ(page.noteField()->placeholder()->text(),
              QStringLiteral("例: 相手の呼び方は「ゆうちゃん」。最後にひとことねぎらいを書く。"));
    // The example wraps inside the field instead of being cut.
    PaletteLabel* hint = page.noteField()->placeholder();
    EXPECT_LE(hint->geometry().right(), page.noteField()->width() - ListTextBox::kPlaceholderInsetX);
    EXPECT_GE(hint->height(), hint->heightForWidth(hint->width()));
    EXPECT_TRUE(page.heartRow()->isVisible());
    EXPECT_EQ(page.heartPicker()->selectedValue(), QStringLiteral("lots"));
    press(page.heartPicker()->segmentButton(0));
    EXPECT_EQ(stored("loverHeartLevel"), QStringLiteral("few"));

    chooseStyle(QStringLiteral("formal"));
    EXPECT_FALSE(page.heartRow()->isVisible());
    EXPECT_EQ(page.noteField()->editor()->toPlainText(), QStringLiteral("絵文字なし"));
    EXPECT_FALSE(page.noteField()->showsPlaceholder());
    EXPECT_FALSE(page.saveBar()->isDirty());
}

TEST_F(CleanupEditorTest, TheNoteIsSavedTrimmedOnlyByItsBar) {
    defaults.set(QStringLiteral("cleanup"), true);
    defaults.set(QStringLiteral("cleanupStyle"), QStringLiteral("standard"));
    CleanupEditor& page = build();
    ASSERT_TRUE(page.noteBlock()->isVisible());
    EXPECT_FALSE(page.saveBar()->saveButton()->isEnabled());

    // Only spaces: the placeholder goes, the bar stays clean.
    type(QStringLiteral("   "));
    EXPECT_FALSE(page.noteField()->showsPlaceholder());
    EXPECT_FALSE(page.saveBar()->isDirty());

    type(QStringLiteral("x"));
    EXPECT_TRUE(page.saveBar()->saveButton()->isEnabled());
    EXPECT_TRUE(page.saveBar()->revertButton()->isEnabled());
    type(QString());
    EXPECT_FALSE(page.saveBar()->isDirty());
    EXPECT_TRUE(page.noteField()->showsPlaceholder());

    type(QStringLiteral("箇条書きは崩さない\n"));
    EXPECT_FALSE(defaults.object(QStringLiteral("styleNote.standard")).isValid());  // typing writes nothing
    press(page.saveBar()->saveButton());
    EXPECT_EQ(stored("styleNote.standard"), QStringLiteral("箇条書きは崩さない"));
    EXPECT_FALSE(page.saveBar()->isDirty());
    EXPECT_EQ(page.noteField()->editor()->toPlainText(), QStringLiteral("箇条書きは崩さない\n"));

    type(QStringLiteral("別の書き方"));
    press(page.saveBar()->revertButton());
    EXPECT_EQ(page.noteField()->editor()->toPlainText(), QStringLiteral("箇条書きは崩さない"));
    EXPECT_FALSE(page.saveBar()->isDirty());
}

TEST_F(CleanupEditorTest, AnUnsavedNoteSurvivesARetapAndIsKeptAsADraftOverOtherStyles) {
    defaults.set(QStringLiteral("cleanup"), true);
    defaults.set(QStringLiteral("cleanupStyle"), QStringLiteral("standard"));
    defaults.set(QStringLiteral("styleNote.standard"), QStringLiteral("半角英数"));
    CleanupEditor& page = build();

    // The selected card again: the note stays as typed; the style is written and the shell told again.
    type(QStringLiteral("書きかけ"));
    const int before = settingsChanged;
    chooseStyle(QStringLiteral("standard"));
    EXPECT_EQ(page.noteField()->editor()->toPlainText(), QStringLiteral("書きかけ"));
    EXPECT_TRUE(page.saveBar()->isDirty());
    EXPECT_EQ(settingsChanged, before + 1);

    // Another style shows its own note; back again, the draft is there, still unsaved.
    chooseStyle(QStringLiteral("formal"));
    EXPECT_TRUE(page.noteField()->showsPlaceholder());
    EXPECT_FALSE(page.saveBar()->isDirty());
    chooseStyle(QStringLiteral("standard"));
    EXPECT_EQ(page.noteField()->editor()->toPlainText(), QStringLiteral("書きかけ"));
    EXPECT_TRUE(page.saveBar()->isDirty());
    EXPECT_EQ(stored("styleNote.standard"), QStringLiteral("半角英数"));

    // "off" hides the block and keeps the note for the style's return.
    chooseStyle(QStringLiteral("off"));
    EXPECT_FALSE(page.noteBlock()->isVisible());
    EXPECT_EQ(stored("cleanupStyle"), QStringLiteral("standard"));
    chooseStyle(QStringLiteral("standard"));
    EXPECT_EQ(page.noteField()->editor()->toPlainText(), QStringLiteral("書きかけ"));
}

TEST_F(CleanupEditorTest, ANoteOverTwoThousandCharactersSaysSoAndCannotBeSaved) {
    defaults.set(QStringLiteral("cleanup"), true);
    defaults.set(QStringLiteral("cleanupStyle"), QStringLiteral("friend"));
    CleanupEditor& page = build();
    EXPECT_FALSE(page.tooLongNotice()->isVisible());

    type(QString(2001, QChar(0x3042)));
    EXPECT_TRUE(page.tooLongNotice()->isVisible());
    EXPECT_EQ(page.tooLongNotice()->text(), QStringLiteral("2000字を超えているので保存できません。短くしてください。"));
    EXPECT_FALSE(page.saveBar()->saveButton()->isEnabled());
    EXPECT_TRUE(page.saveBar()->revertButton()->isEnabled());
    model->saveStyleNote();  // Ctrl+S, or any other way in
    EXPECT_FALSE(defaults.object(QStringLiteral("styleNote.friend")).isValid());

    // Blanks at the ends are not saved, so they do not count.
    type(QString(2000, QChar(0x3042)) + QStringLiteral("\n"));
    EXPECT_FALSE(page.tooLongNotice()->isVisible());
    press(page.saveBar()->saveButton());
    EXPECT_EQ(stored("styleNote.friend"), QString(2000, QChar(0x3042)));
}

TEST_F(CleanupEditorTest, TheFlickSwitchShowsOnlyPerSendAndNeedsHoldToTalk) {
    defaults.set(QStringLiteral("modeSelectStyle"), QStringLiteral("persistent"));
    defaults.set(QStringLiteral("holdToTalk"), false);
    defaults.set(QStringLiteral("gestureSelect"), true);
    CleanupEditor& page = build();
    EXPECT_FALSE(page.gestureToggle()->isVisible());
    EXPECT_FALSE(page.gestureNote()->isVisible());

    press(page.modeCards()->cards()[1]);
    EXPECT_EQ(stored("modeSelectStyle"), QStringLiteral("session"));
    EXPECT_TRUE(page.gestureToggle()->isVisible());
    EXPECT_FALSE(page.gestureToggle()->isEnabled());
    EXPECT_TRUE(page.gestureNote()->isVisible());
    EXPECT_EQ(page.gestureNote()->text(),
              QStringLiteral("これを使うには、「キーの使いかた」で「押している間だけ話す」を選んでください。"));
    press(page.gestureToggle()->toggle());
    EXPECT_EQ(defaults.object(QStringLiteral("gestureSelect")), QVariant(true));

    model->setHoldToTalk(true);
    EXPECT_TRUE(page.gestureToggle()->isEnabled());
    EXPECT_FALSE(page.gestureNote()->isVisible());
    press(page.gestureToggle()->toggle());
    EXPECT_EQ(defaults.object(QStringLiteral("gestureSelect")), QVariant(false));
}

}  // namespace
