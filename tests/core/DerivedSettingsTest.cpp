#include "PrefsFixture.h"

namespace {

using DerivedSettingsTest = PrefsFixture;
using Layout = AppPrefs::KeyboardLayout;

QStringList names(const QList<AppPrefs::KeyChoice>& rows) {
    QStringList out;
    for (const auto& row : rows) out << row.name;
    return out;
}

// ---- effective cleanup style

TEST_F(DerivedSettingsTest, LowWithoutCredentialIsAlwaysOff) {
    put("modeSelectStyle", QStringLiteral("session"));
    put("lowCleanup", true);
    EXPECT_EQ(AppPrefs::effectiveCleanupStyle(QStringLiteral("formal")), "off");
    EXPECT_FALSE(AppPrefs::lowMayUseCleanup());
}

TEST_F(DerivedSettingsTest, LowWithCredentialUsesOnlyThePick) {
    put("serviceKey", QStringLiteral("k"));
    EXPECT_EQ(AppPrefs::effectiveCleanupStyle(std::nullopt), "off");
    EXPECT_EQ(AppPrefs::effectiveCleanupStyle(QStringLiteral("formal")), "formal");
    EXPECT_FALSE(AppPrefs::lowMayUseCleanup());
    put("lowCleanup", true);
    EXPECT_TRUE(AppPrefs::lowMayUseCleanup());
    EXPECT_EQ(AppPrefs::effectiveCleanupStyle(std::nullopt), "standard");
}

TEST_F(DerivedSettingsTest, SessionModeComesBeforeTheCleanupSwitch) {
    put("serviceKey", QStringLiteral("k"));
    AppPrefs::setQualityLevel(QStringLiteral("high"));
    put("cleanup", false);
    put("modeSelectStyle", QStringLiteral("session"));
    EXPECT_EQ(AppPrefs::effectiveCleanupStyle(QStringLiteral("friend")), "friend");
    EXPECT_EQ(AppPrefs::effectiveCleanupStyle(std::nullopt), "off");
    EXPECT_TRUE(AppPrefs::lowMayUseCleanup());
    put("modeSelectStyle", QStringLiteral("Session"));  // anything else is persistent
    EXPECT_EQ(AppPrefs::effectiveCleanupStyle(QStringLiteral("friend")), "off");
}

TEST_F(DerivedSettingsTest, CloudTiersUseTheStoredStyleUnchecked) {
    AppPrefs::setQualityLevel(QStringLiteral("middle"));
    EXPECT_EQ(AppPrefs::effectiveCleanupStyle(std::nullopt), "standard");
    put("cleanupStyle", QStringLiteral("pirate"));
    EXPECT_EQ(AppPrefs::effectiveCleanupStyle(QStringLiteral("formal")), "pirate");
}

// ---- quality table

TEST_F(DerivedSettingsTest, QualityLabelsAndSelectableTiers) {
    EXPECT_EQ(AppPrefs::qualityLevelLabel(), "Low");
    put("qualityLevel", QStringLiteral("middle"));
    EXPECT_EQ(AppPrefs::qualityLevelLabel(), "High");
    put("qualityLevel", QStringLiteral("high"));  // old schema: reads as middle
    EXPECT_EQ(AppPrefs::qualityLevelLabel(), "High");
    AppPrefs::setQualityLevel(QStringLiteral("high"));
    EXPECT_EQ(AppPrefs::qualityLevelLabel(), "Max");
    const auto rows = AppPrefs::selectableQualityLevels();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].key, "low");
    EXPECT_EQ(rows[1].title, "Max");
}

// ---- trigger keys

TEST_F(DerivedSettingsTest, FirstRunOnAUSKeyboardMarksRightShift) {
    const QStringList list = names(AppPrefs::triggerKeyChoices());
    EXPECT_EQ(list,
              (QStringList{"caps lock", "左シフト", "右シフト（既定）", "Menu", "左コントロール", "左Alt", "左Super",
                           "右Super", "右Alt", "右コントロール", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9",
                           "F10", "F11", "F12"}));
}

TEST_F(DerivedSettingsTest, LaterRunOnAJISKeyboardMarksFnAndListsEisuKana) {
    notFirstRun();
    layout() = Layout::JIS;
    const auto rows = AppPrefs::triggerKeyChoices();
    const QStringList list = names(rows);
    EXPECT_TRUE(list.contains("Menu（既定）"));
    EXPECT_EQ(list.filter("（既定）").size(), 1);
    EXPECT_EQ(list.indexOf("英数"), 7);
    EXPECT_EQ(list.indexOf("かな"), 8);
    EXPECT_EQ(AppPrefs::triggerKeyName(), "Menu");  // the mark never reaches the name
    EXPECT_TRUE(AppPrefs::allowedTriggerKeyCodes().contains(104));
    layout() = Layout::ANSI;
    EXPECT_FALSE(AppPrefs::allowedTriggerKeyCodes().contains(104));
    EXPECT_EQ(AppPrefs::allowedTriggerKeyCodes().size(), 22);  // F-keys always allowed
}

// ---- shortcut labels

TEST_F(DerivedSettingsTest, ScreenshotPasteKeyYieldsToTheTriggerKey) {
    notFirstRun();
    EXPECT_EQ(AppPrefs::screenshotPasteKeyLabel(), "Ctrl + Alt + Super + V");
    put("screenshotPasteKey", QStringLiteral("kana"));
    put("triggerKeyCode", qlonglong(104));
    EXPECT_EQ(AppPrefs::screenshotPasteKeyLabel(), "Ctrl + Alt + Super + V");
    put("triggerKeyCode", qlonglong(60));
    EXPECT_EQ(AppPrefs::screenshotPasteKeyLabel(), "かな + V");
    put("screenshotPasteKey", QStringLiteral("bogus"));
    EXPECT_EQ(AppPrefs::screenshotPasteKeyLabel(), "Ctrl + Alt + Super + V");

    EXPECT_EQ(AppPrefs::screenshotPasteKeyOptions().size(), 2);
    layout() = Layout::JIS;
    EXPECT_EQ(AppPrefs::screenshotPasteKeyOptions().size(), 4);
}

TEST_F(DerivedSettingsTest, UnknownCodesLabelAsTheFirstRow) {
    put("field", QStringLiteral("astronaut"));
    EXPECT_EQ(AppPrefs::fieldLabel(), "指定なし");
    put("bulkDeleteKey", QStringLiteral("hyper"));
    EXPECT_EQ(AppPrefs::bulkDeleteKeyLabel(), "Super + Backspace");
    EXPECT_EQ(AppPrefs::outputLanguageLabel(), "話したまま");
    AppPrefs::setOutputLanguage(QStringLiteral("keyboard"));
    EXPECT_EQ(AppPrefs::outputLanguageLabel(), "キーボードに合わせる");
}

TEST_F(DerivedSettingsTest, NewlineFormValues) {
    EXPECT_EQ(AppPrefs::newlinesFormValue(), "1");
    put("newlineStyle", QStringLiteral("blank"));
    EXPECT_EQ(AppPrefs::newlinesFormValue(), "2");
    put("newlineStyle", QStringLiteral("smart"));
    EXPECT_EQ(AppPrefs::newlinesFormValue(), "3");
    put("newlineStyle", QStringLiteral("paragraph"));
    EXPECT_EQ(AppPrefs::newlinesFormValue(), "0");
}

}  // namespace
