#include "core/ExternalConfig.h"

#include "core/AppLog.h"
#include "PrefsFixture.h"
#include "TestHome.h"

#include <QDateTime>
#include <QFile>
#include <memory>

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

class ExternalConfigTest : public PrefsFixture {
protected:
    void SetUp() override {
        PrefsFixture::SetUp();
        notFirstRun();
    }
    void TearDown() override {
        watcher.reset();
        PrefsFixture::TearDown();
    }

    ExternalConfig& start() {
        watcher = std::make_unique<ExternalConfig>(defaults, [this] { ++refreshes; });
        watcher->start([this] { ++changes; }, [this] { ++reverts; });
        settle();
        return *watcher;
    }
    // Another process writes: the store notifies on the main queue, which then runs dry.
    void outside(const char* key, const QVariant& value) {
        defaults.setFromOutside(u(key), value);
        settle();
    }
    void settle() { queue.runPending(); }

    QStringList logLines() const { return home.logLines(); }
    QVariantMap record(const char* which) const { return value(which).toMap(); }

    TestHome home;
    std::unique_ptr<ExternalConfig> watcher;
    int changes = 0;
    int reverts = 0;
    int refreshes = 0;
};

// ---- start

TEST_F(ExternalConfigTest, StartChecksStoredValuesQuietlyAndRevertsInvalidOnes) {
    put("holdThreshold", 0.3);               // valid, differs from the default
    put("soundEnabled", false);              // valid
    // Stored before launch, by whoever.
    defaults.setFromOutside(u("iconName"), u("ロケット"));  // not one of the four
    put("qualityLevel", u("high"));
    put("qualityLevelSchema", qlonglong(2));
    defaults.setFromOutside(u("transcriptionRoute"), u("cloud"));  // nonsense: reset to the tier's route
    start();

    EXPECT_EQ(changes, 0);
    EXPECT_EQ(logLines(), QStringList{u("外からの設定を無視した: iconName = ロケット（使える値は 窓と波形 / 波形 / "
                                        "吹き出し / マイク です）")});
    EXPECT_FALSE(value("iconName").isValid()) << "no good value yet: the key goes, the default applies";
    EXPECT_EQ(value("transcriptionRoute"), QVariant(u("auto")));
    EXPECT_EQ(value("holdThreshold"), QVariant(0.3));
    EXPECT_EQ(value("cleanupMode"), QVariant(u("standard")));
    EXPECT_EQ(record("status.lastConfigError").value("key"), QVariant(u("iconName")));
    EXPECT_FALSE(value("status.lastConfigChange").isValid());
}

TEST_F(ExternalConfigTest, ASecondStartOnlyReplacesTheCallback) {
    start();
    int second = 0;
    watcher->start([&] { ++second; });
    outside("holdToTalk", false);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(logLines().size(), 1) << "each change is checked once";
}

// ---- accepted changes

TEST_F(ExternalConfigTest, AnAcceptedChangeIsNormalisedLoggedRecordedAndReportedOnce) {
    start();
    outside("holdThreshold", u("0.3"));
    EXPECT_EQ(value("holdThreshold"), QVariant(0.3)) << "the string is written back as a number";
    EXPECT_EQ(logLines(), QStringList{u("外から設定が変わった: holdThreshold = 0.3")});
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(record("status.lastConfigChange").value("key"), QVariant(u("holdThreshold")));
    EXPECT_EQ(record("status.lastConfigChange").value("value"), QVariant(u("0.3")));

    // Written again in the same form: nothing to report.
    outside("holdThreshold", 0.3);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(logLines().size(), 1);
}

TEST_F(ExternalConfigTest, AnUnchangedEffectiveValueIsQuietButStillNormalised) {
    start();
    outside("soundEnabled", qlonglong(1));  // already true by default
    EXPECT_EQ(value("soundEnabled"), QVariant(true));
    outside("cleanup", u("0"));
    EXPECT_EQ(value("cleanup"), QVariant(false)) << "the string reads as false and is stored as a Bool";
    EXPECT_EQ(logLines(), (QStringList{u("外から設定が変わった: cleanup = false"),
                                       u("外から設定が変わった: cleanupMode = off")}))
        << "the mirror follows";
    EXPECT_EQ(changes, 2);
}

TEST_F(ExternalConfigTest, ChangesMadeInsideTheApplicationAreReportedToo) {
    start();
    AppPrefs::setInputQualityPercent(60);
    settle();
    EXPECT_EQ(logLines(), QStringList{u("外から設定が変わった: inputQualityPercent = 60%")});
    EXPECT_EQ(changes, 1);
}

// ---- rejections

TEST_F(ExternalConfigTest, ARejectedValueGoesBackToTheLastGoodOneAndIsLoggedOncePerSecond) {
    start();
    outside("holdThreshold", 0.3);
    const int changesBefore = changes;

    outside("holdThreshold", qlonglong(2));
    EXPECT_EQ(value("holdThreshold"), QVariant(0.3));
    queue.advance(0.5);
    outside("holdThreshold", qlonglong(2));
    EXPECT_EQ(value("holdThreshold"), QVariant(0.3)) << "reverted again";
    outside("holdThreshold", qlonglong(3));  // another value within the second is logged
    queue.advance(1.0);
    outside("holdThreshold", qlonglong(3));  // the same value a second later is logged again

    const QString reason = u("（0〜1.5 秒の範囲で指定してください）");
    EXPECT_EQ(logLines(), (QStringList{u("外から設定が変わった: holdThreshold = 0.3"),
                                       u("外からの設定を無視した: holdThreshold = 2.0") + reason,
                                       u("外からの設定を無視した: holdThreshold = 3.0") + reason,
                                       u("外からの設定を無視した: holdThreshold = 3.0") + reason}));
    EXPECT_EQ(changes, changesBefore) << "a rejection never reports a change";
    EXPECT_EQ(record("status.lastConfigError").value("value"), QVariant(u("3.0")));
    EXPECT_EQ(record("status.lastConfigError").value("reason"), QVariant(u("0〜1.5 秒の範囲で指定してください")));
    EXPECT_EQ(reverts, 4) << "each put-back lets the settings window read the settings again";
}

TEST_F(ExternalConfigTest, TheApplicationsOwnRefusedValueIsNeverRemoved) {
    start();
    // A list saved in this process with no earlier list stored: the built-in list must not come
    // back over it.
    const QString overlong(2001, QLatin1Char('x'));
    defaults.set(u("vocabulary"), overlong);
    settle();
    EXPECT_EQ(value("vocabulary"), QVariant(overlong));
    EXPECT_EQ(logLines(), (QStringList{u("設定の値を確かめられなかったが、そのまま残した: vocabulary = 2001文字（2000 文字までです）"),
                                       u("外から設定が変わった: vocabulary = 2001文字")}));
    EXPECT_EQ(reverts, 0);

    // With a good value to go back to, it goes back, as for anyone's value.
    defaults.set(u("vocabulary"), u("a, b"));
    settle();
    defaults.set(u("vocabulary"), overlong);
    settle();
    EXPECT_EQ(value("vocabulary"), QVariant(u("a, b")));
    EXPECT_EQ(reverts, 1);
}

TEST_F(ExternalConfigTest, LongValuesAreCutInTheLogAndTheRecord) {
    start();
    const QString long150 = QString(150, QChar(0x3042));  // あ…
    outside("iconName", long150);
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(u("外からの設定を無視した: iconName = ") + QString(60, QChar(0x3042)) + u("（")));
    EXPECT_EQ(record("status.lastConfigError").value("value"), QVariant(QString(120, QChar(0x3042))));
}

TEST_F(ExternalConfigTest, AValueThatCannotBeReadAsABoolIsRejected) {
    start();
    outside("soundEnabled", u("on"));
    EXPECT_FALSE(value("soundEnabled").isValid()) << "nothing good was stored before: back to the default";
    EXPECT_TRUE(AppPrefs::soundEnabled());
    outside("gestureSelect", QVariantList{true});
    EXPECT_EQ(logLines(), (QStringList{u("外からの設定を無視した: soundEnabled = on（使える値は true / false です）"),
                                       u("外からの設定を無視した: gestureSelect = <array>（使える値は true / false です）")}));
    EXPECT_EQ(changes, 0);
}

TEST_F(ExternalConfigTest, ValuesOfAnyKindInAnyKeyEndSettledAndValid) {
    start();
    const QList<QVariant> odd{QVariant(QDateTime::fromSecsSinceEpoch(0)), QVariant(QVariantList{1, 2}),
                              QVariant(QVariantMap{{"a", 1}}), QVariant(QByteArray("\x00\x01", 2)),
                              QVariant(u("abc")), QVariant(qlonglong(-1)), QVariant(1e300), QVariant(u("nan"))};
    for (const QString& key : ExternalConfig::watchedKeys()) {
        for (const QVariant& v : odd) {
            defaults.setFromOutside(key, v);
            EXPECT_LT(queue.runPending(), 200) << "no write-back loop for " << key.toStdString();
            // What is left is absent or passes the check again without any write.
            const QVariantMap before = defaults.dictionary();
            watcher->handleChange(key);
            EXPECT_EQ(defaults.dictionary().value(key), before.value(key)) << key.toStdString();
            queue.advance(1.1);  // past the repeat window
        }
    }
    EXPECT_EQ(AppPrefs::qualityLevel(), u("low"));
}

TEST_F(ExternalConfigTest, AStaleLastGoodValueIsDroppedInsteadOfWrittenBackForever) {
    layout() = AppPrefs::KeyboardLayout::JIS;
    start();
    outside("triggerKeyCode", qlonglong(102));  // 英数, a JIS key
    ASSERT_EQ(value("triggerKeyCode"), QVariant(qlonglong(102)));
    layout() = AppPrefs::KeyboardLayout::ANSI;   // the keyboard changed: 102 is no choice now
    outside("triggerKeyCode", qlonglong(999));
    EXPECT_FALSE(value("triggerKeyCode").isValid());
    EXPECT_EQ(AppPrefs::triggerKeyCode(), 61);
    EXPECT_EQ(queue.runPending(), 0);
}

// ---- mirror keys

TEST_F(ExternalConfigTest, CleanupModeDrivesCleanupAndStyleAndFollowsThem) {
    start();
    outside("cleanupMode", u("off"));
    EXPECT_EQ(value("cleanup"), QVariant(false));
    EXPECT_EQ(value("cleanupMode"), QVariant(u("off")));
    outside("cleanupMode", u("formal"));
    EXPECT_EQ(value("cleanup"), QVariant(true));
    EXPECT_EQ(value("cleanupStyle"), QVariant(u("formal")));

    outside("cleanupStyle", u("off"));  // "off" is no style
    EXPECT_EQ(value("cleanupStyle"), QVariant(u("formal")));
    outside("cleanupMode", u("casual"));
    EXPECT_EQ(value("cleanupMode"), QVariant(u("formal")));
    outside("cleanupStyle", u("friend"));
    EXPECT_EQ(value("cleanupMode"), QVariant(u("friend")));
    EXPECT_TRUE(logLines().contains(u("外から設定が変わった: cleanupMode = friend")));
}

TEST_F(ExternalConfigTest, SpeedRateSetsTheInputQualityAndEndsAsTheFactorInForce) {
    put("qualityLevel", u("middle"));
    put("qualityLevelSchema", qlonglong(2));
    start();
    outside("speedRate", 1.43);
    EXPECT_EQ(AppPrefs::inputQualityPercent(), 70);
    EXPECT_DOUBLE_EQ(value("speedRate").toDouble(), 100.0 / 70);
    EXPECT_TRUE(logLines().contains(u("外から設定が変わった: inputQualityPercent = 70%")));

    outside("speedRate", 1.3);
    EXPECT_DOUBLE_EQ(value("speedRate").toDouble(), 100.0 / 70);
    EXPECT_EQ(logLines().last(),
              u("外からの設定を無視した: speedRate = 1.3（使える値は 1.00 / 1.11 / 1.25 / 1.43 / 1.67 です）"));

    AppPrefs::setQualityLevel(u("low"));
    settle();
    outside("speedRate", 1.25);
    EXPECT_EQ(AppPrefs::inputQualityPercent(), 70) << "the low tier changes no percent";
    EXPECT_EQ(value("speedRate"), QVariant(1.0));
}

TEST_F(ExternalConfigTest, ASpeedCapFromTheTuningIsNotRejectedAsTheWatchersOwnWriteBack) {
    put("qualityLevel", u("middle"));
    put("qualityLevelSchema", qlonglong(2));
    put("prepTuning", QVariantMap{{"caps", QVariantMap{{"80", 2.0}}}});
    start();
    outside("speedRate", 1.25);
    EXPECT_EQ(value("speedRate"), QVariant(2.0));
    outside("speedRate", 2.0);
    EXPECT_EQ(value("speedRate"), QVariant(2.0));
    for (const QString& line : logLines()) EXPECT_FALSE(line.startsWith(u("外からの設定を無視した"))) << line.toStdString();
}

TEST_F(ExternalConfigTest, TranscriptionRouteMovesTheQualityTier) {
    put("qualityLevel", u("high"));
    put("qualityLevelSchema", qlonglong(2));
    start();
    outside("transcriptionRoute", u("local"));
    EXPECT_EQ(AppPrefs::qualityLevel(), u("low"));
    outside("transcriptionRoute", u("auto"));
    EXPECT_EQ(AppPrefs::qualityLevel(), u("middle"));
    outside("transcriptionRoute", u("cloud"));
    EXPECT_EQ(value("transcriptionRoute"), QVariant(u("auto")));
    EXPECT_EQ(AppPrefs::qualityLevel(), u("middle"));
    outside("qualityLevel", u("low2"));
    EXPECT_EQ(value("qualityLevel"), QVariant(u("low")));
    EXPECT_EQ(value("transcriptionRoute"), QVariant(u("local")));
}

// ---- lifetime

TEST_F(ExternalConfigTest, NothingHappensOnceTheWatcherIsGone) {
    start();
    watcher.reset();
    outside("holdThreshold", qlonglong(5));
    queue.advance(5);
    EXPECT_EQ(value("holdThreshold"), QVariant(qlonglong(5)));
    EXPECT_TRUE(logLines().isEmpty());
}

// ---- style notes

TEST_F(ExternalConfigTest, AStyleNoteChangeIsReportedByLengthAtTheNextTick) {
    put("styleNote.formal", u("丁寧に"));
    start();
    outside("styleNote.formal", u("もっと丁寧に"));
    outside("styleNote.formal", u("とても丁寧に"));
    EXPECT_EQ(changes, 0) << "notes are polled, not observed";
    queue.advance(2.0);
    EXPECT_EQ(logLines(), QStringList{u("外から口調メモが変わった: styleNote.formal（6文字）")});
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(record("status.lastConfigChange").value("value"), QVariant(u("6文字")));
    queue.advance(2.0);
    EXPECT_EQ(changes, 1);

    defaults.remove(u("styleNote.formal"));
    queue.advance(2.0);
    EXPECT_EQ(logLines().last(), u("外から口調メモが変わった: styleNote.formal（0文字）"));
}

TEST_F(ExternalConfigTest, AnOverlongStyleNoteIsReplacedByTheLastAcceptedOne) {
    put("styleNote.lover", u("甘く"));
    start();
    const QString family = u("👨‍👩‍👧");  // one character, five code points
    outside("styleNote.lover", family.repeated(2000));
    queue.advance(2.0);
    EXPECT_EQ(changes, 1) << "2000 characters are allowed, whatever their size in code units";

    outside("styleNote.lover", QString(2001, QLatin1Char('x')));
    queue.advance(2.0);
    EXPECT_EQ(value("styleNote.lover"), QVariant(family.repeated(2000)));
    EXPECT_EQ(logLines().last(), u("外からの口調メモを無視した: styleNote.lover（2001文字）"));
    EXPECT_EQ(record("status.lastConfigError").value("reason"), QVariant(u("2000 文字までです")));
    EXPECT_EQ(changes, 1);
    const int lines = logLines().size();
    queue.advance(4.0);
    EXPECT_EQ(logLines().size(), lines);
}

}  // namespace
