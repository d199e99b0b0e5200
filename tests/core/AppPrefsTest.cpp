#include "PrefsFixture.h"

#include <QRegularExpression>
#include <QTimeZone>
#include <QSet>
#include <limits>
#include <thread>
#include <vector>

namespace {

using AppPrefsTest = PrefsFixture;
using Layout = AppPrefs::KeyboardLayout;

// ---- first-run trigger key

TEST_F(AppPrefsTest, FirstRunStoresRightShiftOnceAndKeepsTheFlagForTheProcess) {
    EXPECT_TRUE(AppPrefs::isFirstRun());
    EXPECT_EQ(AppPrefs::triggerKeyCode(), 60);
    EXPECT_EQ(value("triggerKeyCode"), QVariant(qlonglong(60)));
    // The store now has an entry, but the flag describes the launch.
    EXPECT_TRUE(AppPrefs::isFirstRun());
    // The next launch finds the stored key, whatever the keyboard.
    AppPrefs::resetFirstRunForTesting();
    layout() = Layout::JIS;
    EXPECT_FALSE(AppPrefs::isFirstRun());
    EXPECT_EQ(AppPrefs::triggerKeyCode(), 60);
}

TEST_F(AppPrefsTest, LaterRunsWithoutAStoredKeyFollowTheKeyboardAndWriteNothing) {
    notFirstRun();
    EXPECT_EQ(AppPrefs::triggerKeyCode(), 61);
    layout() = Layout::ISO;
    EXPECT_EQ(AppPrefs::triggerKeyCode(), 61);
    layout() = Layout::JIS;
    EXPECT_EQ(AppPrefs::triggerKeyCode(), 63);
    EXPECT_FALSE(value("triggerKeyCode").isValid());
}

TEST_F(AppPrefsTest, StoredTriggerKeyIsReturnedUncheckedAndOtherKindsCountAsAbsent) {
    notFirstRun();
    put("triggerKeyCode", qlonglong(999));
    EXPECT_EQ(AppPrefs::triggerKeyCode(), 999);
    put("triggerKeyCode", QStringLiteral("60"));
    EXPECT_EQ(AppPrefs::triggerKeyCode(), 61);
    put("triggerKeyCode", true);
    EXPECT_EQ(AppPrefs::triggerKeyCode(), 61);
}

TEST_F(AppPrefsTest, BundleWithoutIdentifierIsNeverAFirstRun) {
    bundle.id.clear();
    EXPECT_FALSE(AppPrefs::isFirstRun());
    EXPECT_EQ(AppPrefs::triggerKeyCode(), 61);
    EXPECT_FALSE(value("triggerKeyCode").isValid());
}

// ---- migrations of qualityLevel and inputQualityPercent

TEST_F(AppPrefsTest, OldHighBecomesMiddleOnceAndIsRemembered) {
    put("qualityLevel", QStringLiteral("high"));
    EXPECT_EQ(AppPrefs::qualityLevel(), "middle");
    EXPECT_EQ(value("qualityLevel"), QVariant(QStringLiteral("middle")));
    EXPECT_EQ(value("qualityLevelSchema"), QVariant(qlonglong(2)));
    EXPECT_EQ(AppPrefs::qualityLevel(), "middle");

    put("qualityLevel", QStringLiteral("high"));  // written under the current schema
    EXPECT_EQ(AppPrefs::qualityLevel(), "high");
    EXPECT_EQ(value("qualityLevel"), QVariant(QStringLiteral("high")));
}

TEST_F(AppPrefsTest, QualityLevelFallbacks) {
    EXPECT_EQ(AppPrefs::qualityLevel(), "low");
    put("qualityLevel", QStringLiteral("low2"));
    EXPECT_EQ(AppPrefs::qualityLevel(), "low");
    EXPECT_EQ(value("qualityLevel"), QVariant(QStringLiteral("low2")));
    put("qualityLevel", QStringLiteral("Middle"));
    EXPECT_EQ(AppPrefs::qualityLevel(), "low");
    put("qualityLevel", qlonglong(1));
    EXPECT_EQ(AppPrefs::qualityLevel(), "low");
    EXPECT_FALSE(value("qualityLevelSchema").isValid());
}

TEST_F(AppPrefsTest, InputQualityPercentMigratesFiftyAndRejectsTheRest) {
    EXPECT_EQ(AppPrefs::inputQualityPercent(), 80);
    put("inputQualityPercent", qlonglong(50));
    EXPECT_EQ(AppPrefs::inputQualityPercent(), 60);
    EXPECT_EQ(value("inputQualityPercent"), QVariant(qlonglong(60)));
    put("inputQualityPercent", qlonglong(75));
    EXPECT_EQ(AppPrefs::inputQualityPercent(), 80);
    EXPECT_EQ(value("inputQualityPercent"), QVariant(qlonglong(75)));
    put("inputQualityPercent", QStringLiteral("90"));
    EXPECT_EQ(AppPrefs::inputQualityPercent(), 80);
    put("inputQualityPercent", qlonglong(4294967386));  // 90 modulo 2^32 must not pass
    EXPECT_EQ(AppPrefs::inputQualityPercent(), 80);
    put("inputQualityPercent", 70.0);  // a whole real, as a property-list editor may write it
    EXPECT_EQ(AppPrefs::inputQualityPercent(), 70);
}

// ---- normalising setters

TEST_F(AppPrefsTest, SetQualityLevelNormalisesAndMirrorsTheRoute) {
    AppPrefs::setQualityLevel(QStringLiteral("ultra"));
    EXPECT_EQ(value("qualityLevel"), QVariant(QStringLiteral("low")));
    EXPECT_EQ(value("qualityLevelSchema"), QVariant(qlonglong(2)));
    EXPECT_EQ(value("transcriptionRoute"), QVariant(QStringLiteral("local")));
    AppPrefs::setQualityLevel(QStringLiteral("high"));
    EXPECT_EQ(value("qualityLevel"), QVariant(QStringLiteral("high")));
    EXPECT_EQ(value("transcriptionRoute"), QVariant(QStringLiteral("auto")));
    EXPECT_EQ(AppPrefs::qualityLevel(), "high");  // schema 2: no migration any more
}

TEST_F(AppPrefsTest, EnumeratedSettersStoreTheFallbackForUnknownValues) {
    AppPrefs::setInputQualityPercent(55);
    EXPECT_EQ(value("inputQualityPercent"), QVariant(qlonglong(80)));
    AppPrefs::setInputQualityPercent(60);
    EXPECT_EQ(value("inputQualityPercent"), QVariant(qlonglong(60)));
    AppPrefs::setOutputLanguage(QStringLiteral("english"));
    EXPECT_EQ(value("outputLanguage"), QVariant(QStringLiteral("spoken")));
    AppPrefs::setOutputLanguage(QStringLiteral("keyboard"));
    EXPECT_EQ(AppPrefs::outputLanguage(), "keyboard");
    AppPrefs::setNewlineStyle(QStringLiteral("Blank"));
    EXPECT_EQ(value("newlineStyle"), QVariant(QStringLiteral("off")));
    AppPrefs::setNewlineStyle(QStringLiteral("smart"));
    EXPECT_EQ(AppPrefs::newlineStyle(), "smart");
}

TEST_F(AppPrefsTest, NewlineStyleAbsentIsLineButUnlistedIsOff) {
    EXPECT_EQ(AppPrefs::newlineStyle(), "line");
    put("newlineStyle", QStringLiteral("Line"));
    EXPECT_EQ(AppPrefs::newlineStyle(), "off");
    put("newlineStyle", qlonglong(1));  // not a string: absent
    EXPECT_EQ(AppPrefs::newlineStyle(), "line");
}

TEST_F(AppPrefsTest, CleanupModeOffKeepsTheStyleAndAStyleTurnsCleanupBackOn) {
    AppPrefs::setCleanupMode(QStringLiteral("formal"));
    AppPrefs::setCleanupMode(QStringLiteral("off"));
    EXPECT_FALSE(AppPrefs::cleanup());
    EXPECT_EQ(AppPrefs::cleanupStyle(), "formal");
    AppPrefs::setCleanupMode(QStringLiteral("friend"));
    EXPECT_TRUE(AppPrefs::cleanup());
    EXPECT_EQ(AppPrefs::cleanupStyle(), "friend");
    AppPrefs::setCleanupMode(QStringLiteral("shouting"));  // not checked against the set
    EXPECT_EQ(AppPrefs::cleanupStyle(), "shouting");
}

TEST_F(AppPrefsTest, TranscriptionRouteMovesTheQualityTierOnlyAcrossLocal) {
    AppPrefs::setQualityLevel(QStringLiteral("high"));
    AppPrefs::applyTranscriptionRoute(QStringLiteral("auto"));
    EXPECT_EQ(AppPrefs::qualityLevel(), "high");
    AppPrefs::applyTranscriptionRoute(QStringLiteral("local"));
    EXPECT_EQ(AppPrefs::qualityLevel(), "low");
    EXPECT_EQ(value("transcriptionRoute"), QVariant(QStringLiteral("local")));
    AppPrefs::applyTranscriptionRoute(QStringLiteral("auto"));
    EXPECT_EQ(AppPrefs::qualityLevel(), "middle");
    EXPECT_EQ(value("transcriptionRoute"), QVariant(QStringLiteral("auto")));
}

// ---- legacy keys

TEST_F(AppPrefsTest, HUDPlacementFallsBackToTheLegacyBool) {
    EXPECT_EQ(AppPrefs::recordingHUDPlacement(), "top");
    put("showRecordingHUD", false);
    EXPECT_EQ(AppPrefs::recordingHUDPlacement(), "off");
    put("recordingHUDPlacement", QStringLiteral("sideways"));
    EXPECT_EQ(AppPrefs::recordingHUDPlacement(), "off");
    put("recordingHUDPlacement", QStringLiteral("cursor"));
    EXPECT_EQ(AppPrefs::recordingHUDPlacement(), "cursor");
    put("recordingHUDPlacement", QStringLiteral("x"));
    put("showRecordingHUD", qlonglong(0));  // not a Bool
    EXPECT_EQ(AppPrefs::recordingHUDPlacement(), "top");
    EXPECT_EQ(value("showRecordingHUD"), QVariant(qlonglong(0)));  // only read
}

TEST_F(AppPrefsTest, CopyOnSelectModeFallsBackToTheLegacyBool) {
    EXPECT_EQ(AppPrefs::copyOnSelectMode(), "silent");
    put("copyOnSelect", false);
    EXPECT_EQ(AppPrefs::copyOnSelectMode(), "off");
    put("copyOnSelect", true);
    EXPECT_EQ(AppPrefs::copyOnSelectMode(), "silent");
    put("copyOnSelectMode", QStringLiteral("loud"));
    EXPECT_EQ(AppPrefs::copyOnSelectMode(), "loud");
}

// ---- typed readers

TEST_F(AppPrefsTest, BoolKeysTakeOnlyBoolsExceptTheScreenshotKeys) {
    EXPECT_TRUE(AppPrefs::holdToTalk());
    put("holdToTalk", qlonglong(0));
    EXPECT_TRUE(AppPrefs::holdToTalk());
    put("holdToTalk", false);
    EXPECT_FALSE(AppPrefs::holdToTalk());
    put("bulkDelete", QStringLiteral("yes"));
    EXPECT_FALSE(AppPrefs::bulkDelete());

    EXPECT_TRUE(AppPrefs::screenshotPasteEnabled());
    put("screenshotPasteEnabled", qlonglong(0));
    EXPECT_FALSE(AppPrefs::screenshotPasteEnabled());
    put("screenshotPasteEnabled", QStringLiteral("YES"));
    EXPECT_TRUE(AppPrefs::screenshotPasteEnabled());
    put("screenshotPasteImageInTerminal", QStringLiteral("nope"));
    EXPECT_FALSE(AppPrefs::screenshotPasteImageInTerminal());
}

TEST_F(AppPrefsTest, DoubleKeysAcceptNumbersOnly) {
    EXPECT_EQ(AppPrefs::holdThreshold(), 0.0);
    EXPECT_EQ(AppPrefs::onlineFallbackSeconds(), 3.0);
    put("holdThreshold", qlonglong(1));
    EXPECT_EQ(AppPrefs::holdThreshold(), 1.0);
    put("onlineFallbackSeconds", QStringLiteral("8"));
    EXPECT_EQ(AppPrefs::onlineFallbackSeconds(), 3.0);
    put("onlineFallbackSeconds", true);
    EXPECT_EQ(AppPrefs::onlineFallbackSeconds(), 3.0);
    // Not a number of seconds at all: the timers would be left without a duration.
    put("onlineFallbackSeconds", std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(AppPrefs::onlineFallbackSeconds(), 3.0);
    put("holdThreshold", std::numeric_limits<double>::infinity());
    EXPECT_EQ(AppPrefs::holdThreshold(), 0.0);
}

TEST_F(AppPrefsTest, StoredEmptyCorrectionsStayEmpty) {
    EXPECT_EQ(AppPrefs::corrections(), QStringLiteral("開業 → 改行"));
    put("corrections", QString(""));
    EXPECT_EQ(AppPrefs::corrections(), QString(""));
    put("corrections", qlonglong(3));
    EXPECT_EQ(AppPrefs::corrections(), QStringLiteral("開業 → 改行"));
}

// ---- identity and dates

TEST_F(AppPrefsTest, DeviceIDIsCreatedOnceAndKept) {
    const QString id = AppPrefs::deviceID();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"))
                    .match(id)
                    .hasMatch())
        << id.toStdString();
    EXPECT_EQ(AppPrefs::deviceID(), id);
    EXPECT_EQ(value("deviceID"), QVariant(id));
    put("deviceID", QString(""));  // a stored string is used as it is, even empty
    EXPECT_EQ(AppPrefs::deviceID(), QString(""));
}

TEST_F(AppPrefsTest, ConcurrentFirstReadsOfTheDeviceIDAgree) {
    std::vector<QString> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i) threads.emplace_back([&seen, i] { seen[i] = AppPrefs::deviceID(); });
    for (std::thread& t : threads) t.join();
    for (const QString& id : seen) EXPECT_EQ(id, seen.front());
    EXPECT_EQ(AppPrefs::deviceID(), seen.front());
}

TEST_F(AppPrefsTest, HelloSentAtRoundTripsAndNilRemoves) {
    EXPECT_FALSE(AppPrefs::helloSentAt());
    const QDateTime when = QDateTime::fromSecsSinceEpoch(1'780'000'000, QTimeZone::utc());
    AppPrefs::setHelloSentAt(when);
    ASSERT_TRUE(AppPrefs::helloSentAt());
    EXPECT_EQ(*AppPrefs::helloSentAt(), when);
    AppPrefs::setHelloSentAt(std::nullopt);
    EXPECT_FALSE(value("helloSentAt").isValid());
    EXPECT_FALSE(AppPrefs::helloSentAt());
    put("helloSentAt", QStringLiteral("2026-01-01T00:00:00Z"));  // a string is not a date
    EXPECT_FALSE(AppPrefs::helloSentAt());
}

// ---- service credential and URL

TEST_F(AppPrefsTest, CredentialAndServerURL) {
    EXPECT_FALSE(AppPrefs::hasServiceCredential());
    put("serviceKey", qlonglong(12));
    EXPECT_FALSE(AppPrefs::hasServiceCredential());
    put("serviceKey", QString(""));
    EXPECT_FALSE(AppPrefs::hasServiceCredential());
    put("serviceKey", QStringLiteral("sk-1"));
    EXPECT_EQ(AppPrefs::serviceCredential(), "sk-1");

    EXPECT_EQ(AppPrefs::serverURL(), AppPrefs::defaultServerURL());
    put("serverURL", qlonglong(8080));
    EXPECT_EQ(AppPrefs::serverURL(), AppPrefs::defaultServerURL());
    put("serverURL", QString(""));
    EXPECT_EQ(AppPrefs::serverURL(), "");
    put("serverURL", QStringLiteral("http://127.0.0.1:8080"));
    EXPECT_EQ(AppPrefs::serverURL(), "http://127.0.0.1:8080");
}

}  // namespace
