// The on-device road with the real application: the speech model is released after an idle time
// (shortened here) and loaded afresh for the next dictation. The same phrase dictated as the very
// first dictation of a new user and again after the release arrives as the same, right text; two
// phrases with a pause between them arrive as one text; a phrase only the flat-lexicon pass hears
// right arrives right.
#include "../support/target/TargetApp.h"
#include "Microphone.h"
#include "QuendleProcess.h"

#include <QFile>
#include <gtest/gtest.h>

// Xlib's macros clash with Qt's names: last.
#include "../platform/X11TestDesktop.h"
#include <X11/keysym.h>

namespace {

// Whether the process has the speech model's files mapped (the model is loaded).
bool modelLoaded(qint64 pid) {
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/en-us/en-us/mdef");
}

bool waitUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < limitMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

TEST(LocalSpeechIdleSession, APhraseDictatedAtStartAndAfterTheIdleReleaseGivesTheSameText) {
    QUENDLE_REQUIRE_SESSION();
    XKeyboardLock lock;
    XTestKeyboard keyboard;
    ASSERT_TRUE(keyboard.ok());
    ASSERT_TRUE(QFile::exists(bundleExecutable()));
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QUENDLE_SPEECH_IDLE_RELEASE", "1");  // the application inherits it
    TargetApp target;
    ASSERT_TRUE(target.started() && target.focus("line"));
    QuendleProcess quendle({{"qualityLevel", "low"}, {"spokenLanguage", "en"}, {"triggerKeyCode", 60LL},
                            {"launchAtLogin", false}, {"correctionBar", false}});
    qunsetenv("QUENDLE_SPEECH_IDLE_RELEASE");
    ASSERT_TRUE(quendle.waitForLog(QStringLiteral("見張り開始: 成功")));

    const QString phrase = QStringLiteral("where did you park the car");
    const QVector<int16_t> speech = Microphone::speak(phrase);
    ASSERT_FALSE(speech.isEmpty());
    const int shiftR = keyboard.code(XK_Shift_R);
    auto dictate = [&](const QVector<int16_t>& said) {
        target.setField("line", QString());
        // The model the launch warmed up has been released: every dictation here loads it afresh.
        EXPECT_TRUE(waitUntil([&] { return !modelLoaded(quendle.pid()); }, 30000));
        EXPECT_TRUE(speakWhileHolding(quendle, said, [&](bool down) { keyboard.key(shiftR, down); }));
        EXPECT_TRUE(waitUntil([&] { return !target.field("line").isEmpty(); }, 20000));
        return target.field("line");
    };

    const QString first = dictate(speech);
    const QString afterIdle = dictate(speech);
    EXPECT_EQ(first, phrase);
    EXPECT_EQ(afterIdle, first);

    // Two phrases with a pause between them arrive as one text, in order.
    QVector<int16_t> twoPhrases = speech;
    twoPhrases.resize(speech.size() + 8000);
    twoPhrases += Microphone::speak(QStringLiteral("thank you very much"));
    EXPECT_EQ(dictate(twoPhrases), phrase + QStringLiteral(" thank you very much"));

    // The application's recogniser runs the flat-lexicon pass: without it this is heard
    // "he plays the piano never evening".
    const QString flatPassHears = QStringLiteral("he plays the piano every evening");
    EXPECT_EQ(dictate(Microphone::speak(flatPassHears)), flatPassHears);
}

}  // namespace
