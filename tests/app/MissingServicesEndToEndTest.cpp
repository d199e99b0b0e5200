// The real application where what it depends on is missing or does not answer. The accessibility
// bus: a session bus without the accessibility launcher (at-spi2-core not installed), no session
// bus at all, a launcher that never answers, buses that accept connections and never say a word;
// Quendle starts at once in each, honours a quit at any time, and still takes a dictation into
// another program's field (the X root window's AT_SPI_BUS property is hidden meanwhile, so the
// bundle looks for the bus as it would on such a desktop). No display: it says so and ends.
#include "Microphone.h"
#include "QuendleProcess.h"
#include "TestBuses.h"
#include "../support/target/TargetApp.h"

#include <gtest/gtest.h>

// Xlib's macros clash with Qt's names: last.
#include "../platform/X11TestDesktop.h"
#include <X11/keysym.h>

namespace {

const QString kStarted = QStringLiteral("見張り開始: 成功");
const QString kNoBus = QStringLiteral("アクセシビリティバスを使えません（");
// Well under the 25 s that D-Bus gives an answer before it gives up: a start that waits for a bus
// at all takes longer than this.
constexpr int kStartLimitMs = 10000;
constexpr int kQuitLimitMs = 5000;

QVariantMap localSettings() {
    return {{"qualityLevel", "low"}, {"spokenLanguage", "en"}, {"triggerKeyCode", 60LL},
            {"launchAtLogin", false}, {"correctionBar", false}};
}

class WithoutAccessibilityBus : public ::testing::Test {
protected:
    void SetUp() override {
        QUENDLE_REQUIRE_SESSION();
        ASSERT_TRUE(QFile::exists(bundleExecutable()));
        qputenv("QT_QPA_PLATFORM", "xcb");  // the editor needs a real window
        hidden = std::make_unique<HiddenAccessibilityBusProperty>();
    }
    void TearDown() override { hidden.reset(); }

    // A launch on the session bus `address` (or none), with nothing else telling where the
    // accessibility bus is, as on a desktop whose programs were not told to take part in it.
    static QuendleLaunch on(const QString& sessionBus, const QString& runtimeDir = {}) {
        QuendleLaunch launch;
        launch.environment = [sessionBus, runtimeDir](QProcessEnvironment& env) {
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), sessionBus);
            if (!runtimeDir.isEmpty()) env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
            env.remove(QStringLiteral("AT_SPI_BUS_ADDRESS"));
            env.remove(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"));
        };
        return launch;
    }

    std::unique_ptr<HiddenAccessibilityBusProperty> hidden;
};

}  // namespace

TEST_F(WithoutAccessibilityBus, ASessionBusWithoutTheLauncherStillTakesADictationIntoAnotherProgram) {
    XKeyboardLock lock;
    XTestKeyboard keyboard;
    ASSERT_TRUE(keyboard.ok());
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.ok());
    TargetApp target;
    ASSERT_TRUE(target.started() && target.focus("line"));

    QuendleProcess quendle(localSettings(), on(bus.address()));
    ASSERT_TRUE(quendle.waitForLog(kStarted, kStartLimitMs));
    EXPECT_TRUE(quendle.waitForLog(kNoBus + QStringLiteral("セッションバスに org.a11y.Bus がありません）")));

    const QVector<int16_t> speech = Microphone::speak(QStringLiteral("what time is it"));
    ASSERT_FALSE(speech.isEmpty());
    const int shiftR = keyboard.code(XK_Shift_R);
    ASSERT_TRUE(speakWhileHolding(quendle, speech, [&](bool down) { keyboard.key(shiftR, down); }));
    EXPECT_TRUE(target.waitForField("line", QStringLiteral("what time is it"), 20000)) << target.field("line").toStdString();
    EXPECT_TRUE(quendle.running());
}

TEST_F(WithoutAccessibilityBus, ALauncherThatNeverAnswersHoldsNeitherTheStartNorAQuit) {
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.ok());
    ASSERT_TRUE(bus.hangAsTheAccessibilityLauncher());

    // A quit while the launcher is being asked.
    {
        QuendleProcess quendle(localSettings(), on(bus.address()));
        ASSERT_TRUE(pumpUntil([&] { return bus.addressQuestions() > 0; }, kStartLimitMs));
        EXPECT_TRUE(quendle.endsOnTerm(kQuitLimitMs));
    }
    // The start goes on without it, says why, and a quit later ends it too.
    QuendleProcess quendle(localSettings(), on(bus.address()));
    ASSERT_TRUE(quendle.waitForLog(kStarted, kStartLimitMs));
    EXPECT_TRUE(quendle.waitForLog(kNoBus + QStringLiteral("org.a11y.Bus が答えません）")));
    EXPECT_TRUE(quendle.endsOnTerm(kQuitLimitMs));
}

TEST_F(WithoutAccessibilityBus, NoSessionBusAtAll) {
    QTemporaryDir runtime;  // no bus socket in it either
    QuendleProcess quendle(localSettings(), on(runtime.filePath(QStringLiteral("bus")).prepend("unix:path="),
                                               runtime.path()));
    ASSERT_TRUE(quendle.waitForLog(kStarted, kStartLimitMs));
    EXPECT_TRUE(quendle.waitForLog(kNoBus + QStringLiteral("セッションバスにつながりません")));
}

// A daemon that has stopped still has its socket accept connections; D-Bus then waits for its
// first word without any bound. Such a bus is left out for the run.
TEST_F(WithoutAccessibilityBus, BusesThatNeverAnswerAreLeftOut) {
    SilentSocket silent;
    ASSERT_TRUE(silent.ok());
    {
        QuendleProcess quendle(localSettings(), on(silent.address()));
        ASSERT_TRUE(quendle.waitForLog(kStarted, kStartLimitMs));
        EXPECT_TRUE(quendle.waitForLog(QStringLiteral("この実行ではバスを使いません: セッションバス（") + silent.address()));
        EXPECT_TRUE(quendle.endsOnTerm(kQuitLimitMs));
    }
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.ok());
    QuendleLaunch launch = on(bus.address());
    launch.environment = [inner = launch.environment, address = silent.address()](QProcessEnvironment& env) {
        inner(env);
        env.insert(QStringLiteral("AT_SPI_BUS_ADDRESS"), address);
    };
    QuendleProcess quendle(localSettings(), launch);
    ASSERT_TRUE(quendle.waitForLog(kStarted, kStartLimitMs));
    EXPECT_TRUE(quendle.waitForLog(QStringLiteral("この実行ではバスを使いません: アクセシビリティバス（") + silent.address()));
    EXPECT_TRUE(quendle.endsOnTerm(kQuitLimitMs));
}

TEST(WithoutADisplay, QuendleSaysSoAndEnds) {
    QUENDLE_REQUIRE_SESSION();
    ASSERT_TRUE(QFile::exists(bundleExecutable()));
    QuendleLaunch launch;
    launch.environment = [](QProcessEnvironment& env) { env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":987")); };
    QuendleProcess quendle(localSettings(), launch);
    EXPECT_EQ(quendle.endsWithStatus(kStartLimitMs), 1);
}
