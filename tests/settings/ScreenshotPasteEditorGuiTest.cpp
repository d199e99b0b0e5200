#include "settings/screens/ScreenshotPasteEditor.h"

#include "settings/SettingsNav.h"
#include "settings/screens/ExtrasContent.h"
#include "settings/screens/FactRow.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/ActionRow.h"
#include "settings/ui/InfoBanner.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/Row.h"

#include "ExtrasScreensFixture.h"

namespace {

const QString kDefaultChord = QStringLiteral("Ctrl + Alt + Super + V");
const QString kOptionChord = QStringLiteral("Alt + Super + V");
const QString kEisu = QStringLiteral("英数 + V");
const QString kKana = QStringLiteral("かな + V");

class ScreenshotPasteEditorTest : public ExtrasScreensFixture {
protected:
    ScreenshotPasteEditor& build() {
        makeModel();
        show(makeScreenshotPasteScreen(*model, nav, context));
        return static_cast<ScreenshotPasteEditor&>(*screen);
    }
    static void useJIS() {
        AppPrefs::setKeyboardLayoutProvider([] { return AppPrefs::KeyboardLayout::JIS; });
    }
    SettingsNav nav;
    ScreenContext context;
};

TEST_F(ScreenshotPasteEditorTest, KeysOfferedFollowTheKeyboardAndNeverTheTriggerKey) {
    // ANSI (and ISO) keyboards have no 英数 and かな keys.
    ScreenshotPasteEditor& ansi = build();
    EXPECT_EQ(names(ansi.keyPicker()), (QStringList{kDefaultChord, kOptionChord}));
    EXPECT_EQ(ansi.keyPicker()->selectedValue(), QStringLiteral("controlOptionCommand"));

    useJIS();
    defaults.set(QStringLiteral("triggerKeyCode"), 102);
    ScreenshotPasteEditor& jis = build();
    EXPECT_EQ(names(jis.keyPicker()), (QStringList{kDefaultChord, kOptionChord, kKana}));

    // Choosing another trigger key brings 英数 back and takes かな away at once.
    model->setTriggerKeyCode(104);
    EXPECT_EQ(names(jis.keyPicker()), (QStringList{kDefaultChord, kOptionChord, kEisu}));
    model->setTriggerKeyCode(61);
    EXPECT_EQ(names(jis.keyPicker()), (QStringList{kDefaultChord, kOptionChord, kEisu, kKana}));
}

TEST_F(ScreenshotPasteEditorTest, KeyThatBecameTheTriggerShowsTheDefaultChordWithoutAWrite) {
    useJIS();
    defaults.set(QStringLiteral("screenshotPasteKey"), QStringLiteral("eisu"));
    defaults.set(QStringLiteral("triggerKeyCode"), 61);
    ScreenshotPasteEditor& editor = build();
    EXPECT_EQ(editor.keyPicker()->selectedValue(), QStringLiteral("eisu"));

    model->setTriggerKeyCode(102);
    EXPECT_EQ(editor.keyPicker()->selectedValue(), QStringLiteral("controlOptionCommand"));
    EXPECT_EQ(stored("screenshotPasteKey").toString(), QStringLiteral("eisu"));
    // Clicking the chord it already shows stores nothing either.
    clickSegment(editor.keyPicker(), kDefaultChord);
    EXPECT_EQ(stored("screenshotPasteKey").toString(), QStringLiteral("eisu"));

    clickSegment(editor.keyPicker(), kOptionChord);
    EXPECT_EQ(stored("screenshotPasteKey").toString(), QStringLiteral("optionCommand"));
    EXPECT_EQ(editor.keyPicker()->selectedValue(), QStringLiteral("optionCommand"));
}

TEST_F(ScreenshotPasteEditorTest, StoredKeyTheKeyboardLacksLeavesNoSegmentChosenAndIsKept) {
    defaults.set(QStringLiteral("screenshotPasteKey"), QStringLiteral("kana"));
    ScreenshotPasteEditor& editor = build();
    EXPECT_EQ(editor.keyPicker()->selectedIndex(), -1);
    EXPECT_EQ(stored("screenshotPasteKey").toString(), QStringLiteral("kana"));
    EXPECT_EQ(settingsChanged, 0);
}

TEST_F(ScreenshotPasteEditorTest, TurningOffLocksTheTerminalSwitchAndTheKeyAndTheExtrasRowSaysOff) {
    ScreenshotPasteEditor& editor = build();
    ExtrasContent extras(*model, nav);
    // On by default, images in terminals too.
    EXPECT_TRUE(editor.enabledRow()->toggle()->isChecked());
    EXPECT_TRUE(editor.imageInTerminalRow()->toggle()->isChecked());
    EXPECT_EQ(extras.screenshotPasteRow()->value(), kDefaultChord);

    flip(editor.imageInTerminalRow());
    EXPECT_EQ(stored("screenshotPasteImageInTerminal").toBool(), false);
    clickSegment(editor.keyPicker(), kOptionChord);
    EXPECT_EQ(extras.screenshotPasteRow()->value(), kOptionChord);

    flip(editor.enabledRow());
    EXPECT_EQ(stored("screenshotPasteEnabled").toBool(), false);
    EXPECT_FALSE(editor.imageInTerminalRow()->isEnabled());
    EXPECT_FALSE(editor.keyPicker()->isEnabled());
    EXPECT_EQ(extras.screenshotPasteRow()->value(), QStringLiteral("切"));
    EXPECT_EQ(settingsChanged, 3);

    // Locked controls take no clicks.
    flip(editor.imageInTerminalRow());
    clickSegment(editor.keyPicker(), kDefaultChord);
    EXPECT_EQ(stored("screenshotPasteImageInTerminal").toBool(), false);
    EXPECT_EQ(stored("screenshotPasteKey").toString(), QStringLiteral("optionCommand"));
    EXPECT_EQ(settingsChanged, 3);
}

TEST_F(ScreenshotPasteEditorTest, FolderPathIsAskedForEachTimeTheScreenIsDrawnAgain) {
    QString folder = QStringLiteral("/home/someone/Pictures/Screenshots");
    context.screenshotFolderPath = [&folder] { return folder; };
    ScreenshotPasteEditor& editor = build();
    ASSERT_NE(editor.folderLabel(), nullptr);
    const auto shown = [&editor] { return editor.folderLabel()->text().remove(QChar(0x200B)); };
    EXPECT_EQ(shown(), folder);
    EXPECT_EQ(editor.folderLabel()->accessibleName(), folder);
    folder = QStringLiteral("/home/someone/Desktop");
    model->setScreenshotPasteImageInTerminal(false);
    EXPECT_EQ(shown(), folder);

    // The user makes the Screenshots folder while the window is away; no setting changes.
    editor.hide();
    folder = QStringLiteral("/home/someone/Pictures/Screenshots");
    editor.show();
    EXPECT_EQ(shown(), folder);
}

TEST_F(ScreenshotPasteEditorTest, NoResetRowNorItsHintWhereFolderAccessCannotBeReset) {
    int resets = 0;
    context.resetFolderAccess = [&resets] { ++resets; };
    context.canResetFolderAccess = [] { return false; };
    EXPECT_EQ(build().resetRow(), nullptr);
    EXPECT_EQ(static_cast<ScreenshotPasteEditor&>(*screen).resetHint(), nullptr);

    context.canResetFolderAccess = [] { return true; };
    ScreenshotPasteEditor& editor = build();
    ASSERT_NE(editor.resetRow(), nullptr);
    EXPECT_EQ(editor.resetRow()->title(), QStringLiteral("保存先フォルダの許可をリセット"));
    ASSERT_NE(editor.resetHint(), nullptr);
    EXPECT_EQ(editor.resetHint()->text(), QStringLiteral("「読めません」と出たら、上のリセットを押してからもう一度。"));
    editor.resetRow()->click();
    editor.resetRow()->click();
    EXPECT_EQ(resets, 2);
    EXPECT_EQ(settingsChanged, 0);
}

TEST_F(ScreenshotPasteEditorTest, FactsListWhatThePasteDoesWithTheLimitLast) {
    ScreenshotPasteEditor& editor = build();
    ASSERT_EQ(editor.facts().size(), 4);
    EXPECT_EQ(editor.facts()[2]->text(), QStringLiteral("貼った後、クリップボードは元に戻ります。"));
    EXPECT_EQ(editor.facts()[3]->text(), QStringLiteral("保存先に画像が無ければ何も起きません。"));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(editor.facts()[i]->isCheck(), i < 3);
}

}  // namespace
