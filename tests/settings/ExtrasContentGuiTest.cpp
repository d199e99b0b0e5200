#include "settings/screens/ExtrasContent.h"

#include "settings/SettingsNav.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/InfoMark.h"
#include "settings/ui/Row.h"

#include "ExtrasScreensFixture.h"

namespace {

class ExtrasContentTest : public ExtrasScreensFixture {
protected:
    ExtrasContent& build() {
        makeModel();
        show(makeExtrasScreen(*model, nav, ScreenContext{}));
        return static_cast<ExtrasContent&>(*screen);
    }
    SettingsNav nav;
};

TEST_F(ExtrasContentTest, RowsShowTheKeyWhileTheFeatureIsOnAndOtherwiseOff) {
    defaults.set(QStringLiteral("bulkDeleteKey"), QStringLiteral("controlShift"));
    defaults.set(QStringLiteral("screenshotPasteEnabled"), false);
    ExtrasContent& extras = build();
    // Off by default, whatever key is stored.
    EXPECT_EQ(extras.bulkDeleteRow()->value(), QStringLiteral("切"));
    EXPECT_EQ(extras.screenshotPasteRow()->value(), QStringLiteral("切"));

    model->setBulkDeleteEnabled(true);
    model->setScreenshotPasteEnabled(true);
    EXPECT_EQ(extras.bulkDeleteRow()->value(), QStringLiteral("Ctrl + Shift + Backspace"));
    EXPECT_EQ(extras.screenshotPasteRow()->value(), QStringLiteral("Ctrl + Alt + Super + V"));

    // A stored key outside the table reads as the default chord.
    model->setBulkDeleteKey(QStringLiteral("hyper"));
    EXPECT_EQ(extras.bulkDeleteRow()->value(), QStringLiteral("Super + Backspace"));
}

TEST_F(ExtrasContentTest, ScreenshotRowCountsAKeyThatIsAlsoTheTriggerAsTheDefaultChord) {
    AppPrefs::setKeyboardLayoutProvider([] { return AppPrefs::KeyboardLayout::JIS; });
    defaults.set(QStringLiteral("screenshotPasteKey"), QStringLiteral("kana"));
    defaults.set(QStringLiteral("triggerKeyCode"), 104);
    ExtrasContent& extras = build();
    EXPECT_EQ(extras.screenshotPasteRow()->value(), QStringLiteral("Ctrl + Alt + Super + V"));
    model->setTriggerKeyCode(61);
    EXPECT_EQ(extras.screenshotPasteRow()->value(), QStringLiteral("かな + V"));
}

TEST_F(ExtrasContentTest, RowsOpenTheirEditorsWithAForwardMove) {
    ExtrasContent& extras = build();
    nav.push(SettingsScreen::extras);
    nav.pop();
    nav.push(SettingsScreen::extras);
    extras.bulkDeleteRow()->click();
    EXPECT_EQ(nav.top(), SettingsScreen::bulkDelete);
    EXPECT_FALSE(nav.back());
    nav.pop();
    extras.screenshotPasteRow()->click();
    EXPECT_EQ(nav.stack(), (QList<SettingsScreen>{SettingsScreen::root, SettingsScreen::extras,
                                                   SettingsScreen::screenshotPaste}));
    EXPECT_FALSE(nav.back());
    // Looking at the screen changes no setting.
    EXPECT_EQ(settingsChanged, 0);
}

TEST_F(ExtrasContentTest, RowNotesAndTheCopyExplanationAreTheirOwnTexts) {
    ExtrasContent& extras = build();
    ASSERT_NE(extras.bulkDeleteRow()->infoMark(), nullptr);
    EXPECT_TRUE(extras.bulkDeleteRow()->infoMark()->explanation().startsWith(QStringLiteral("選んだキー（既定 Super + Backspace）で")));
    ASSERT_NE(extras.screenshotPasteRow()->infoMark(), nullptr);
    EXPECT_TRUE(extras.screenshotPasteRow()->infoMark()->explanation().endsWith(
        QStringLiteral("ターミナルの Claude Code などにも画像で渡ります。")));
    EXPECT_TRUE(extras.copyOnSelectInfo()->explanation().contains(QStringLiteral("パスワード欄では動きません。")));
}

TEST_F(ExtrasContentTest, CopyModeSegmentsStartAndStopCopyOnSelectAtOnce) {
    defaults.set(QStringLiteral("copyOnSelectMode"), QStringLiteral("silent"));
    ExtrasContent& extras = build();
    SegmentedPicker* picker = extras.copyOnSelectPicker();
    EXPECT_EQ(names(picker), (QStringList{QStringLiteral("コピーだけ"), QStringLiteral("コピーして知らせる"),
                                          QStringLiteral("しない")}));
    EXPECT_EQ(picker->selectedValue(), QStringLiteral("silent"));

    clickSegment(picker, QStringLiteral("しない"));
    EXPECT_EQ(stored("copyOnSelectMode").toString(), QStringLiteral("off"));
    EXPECT_EQ(picker->selectedValue(), QStringLiteral("off"));
    EXPECT_EQ(copier, QStringList{QStringLiteral("stop")});
    EXPECT_EQ(settingsChanged, 1);

    clickSegment(picker, QStringLiteral("コピーだけ"));
    clickSegment(picker, QStringLiteral("コピーして知らせる"));
    EXPECT_EQ(stored("copyOnSelectMode").toString(), QStringLiteral("notify"));
    // The engine ignores a start while it runs; moving between the two copying modes only starts.
    EXPECT_EQ(copier, (QStringList{QStringLiteral("stop"), QStringLiteral("start"), QStringLiteral("start")}));
    EXPECT_EQ(settingsChanged, 3);

    // A click on the chosen segment changes nothing.
    clickSegment(picker, QStringLiteral("コピーして知らせる"));
    EXPECT_EQ(settingsChanged, 3);
    EXPECT_TRUE(picker->segmentButton(1)->isChecked());
}

TEST_F(ExtrasContentTest, PickerFollowsAModeWrittenElsewhereAndShowsNoneForAnUnknownOne) {
    defaults.set(QStringLiteral("copyOnSelect"), false);
    ExtrasContent& extras = build();
    // No mode stored: the older switch decides.
    EXPECT_EQ(extras.copyOnSelectPicker()->selectedValue(), QStringLiteral("off"));
    defaults.set(QStringLiteral("copyOnSelectMode"), QStringLiteral("notify"));
    model->reload();
    EXPECT_EQ(extras.copyOnSelectPicker()->selectedValue(), QStringLiteral("notify"));
    // Reloading writes nothing back and does not call the shell, but the engine follows.
    EXPECT_EQ(settingsChanged, 0);
    EXPECT_EQ(copier.last(), QStringLiteral("start"));

    model->setCopyOnSelectMode(QStringLiteral("sometimes"));
    EXPECT_EQ(extras.copyOnSelectPicker()->selectedIndex(), -1);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(extras.copyOnSelectPicker()->segmentButton(i)->isChecked());
}

TEST_F(ExtrasContentTest, ScreenLetsGoOfTheModelWhenItIsDestroyed) {
    build();
    screen.reset();
    // No observer of the dead screen is called.
    model->setBulkDeleteEnabled(true);
    model->setCopyOnSelectMode(QStringLiteral("notify"));
    EXPECT_EQ(settingsChanged, 2);
}

}  // namespace
