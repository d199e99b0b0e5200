// The whole road with the real application: the Quendle bundle runs with its own HOME, a Qt
// editor has the focus, XTest holds the right shift key, speech flows through the session's
// microphone, and the recognised text is read back from the editor's field.
#include "../support/target/TargetApp.h"
#include "../support/standin/StandInService.h"
#include "Microphone.h"
#include "QuendleProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <iostream>

// Xlib's macros clash with Qt's names: last.
#include "../platform/X11TestDesktop.h"
#include <X11/keysym.h>

namespace {

class DictationEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!inHeadlessSessionForTests()) GTEST_SKIP() << "needs scripts/headless-session";
        ASSERT_TRUE(keyboard.ok());
        ASSERT_TRUE(QFile::exists(bundleExecutable()));
        qputenv("QT_QPA_PLATFORM", "xcb");  // the editor needs a real window (test mains default to offscreen)
        target = std::make_unique<TargetApp>();
        ASSERT_TRUE(target->started());
        ASSERT_TRUE(target->focus("line"));
    }
    static bool inHeadlessSessionForTests() { return qEnvironmentVariableIsSet("QUENDLE_HEADLESS_SESSION"); }

    // Holds right shift (by key code, so only the right one) while `speech` plays, then releases.
    void dictate(const QVector<int16_t>& speech, QuendleProcess& quendle) {
        const int shiftR = keyboard.code(XK_Shift_R);
        ASSERT_TRUE(speakWhileHolding(quendle, speech, [&](bool down) { keyboard.key(shiftR, down); }));
    }

    XKeyboardLock lock;
    XTestKeyboard keyboard;
    std::unique_ptr<TargetApp> target;
};

}  // namespace

TEST_F(DictationEndToEnd, LocalRoadTypesThePhraseIntoTheFocusedField) {
    QuendleProcess quendle({{"qualityLevel", "low"}, {"spokenLanguage", "en"}, {"triggerKeyCode", 60LL},
                            {"launchAtLogin", false}, {"correctionBar", false}});
    ASSERT_TRUE(quendle.waitForLog(QStringLiteral("見張り開始: 成功")));
    const QVector<int16_t> speech = Microphone::speak(QStringLiteral("what time is it"));
    ASSERT_FALSE(speech.isEmpty());
    dictate(speech, quendle);
    EXPECT_TRUE(target->waitForField("line", QStringLiteral("what time is it"), 20000)) << target->field("line").toStdString();
    // The road's lines, in order.
    const int start = quendle.indexOf(QStringLiteral("録音を開始しようとしている (Quality=Low)"));
    const int micOn = quendle.indexOf(QStringLiteral("録音中（マイク起動 "));
    const int tail = quendle.indexOf(QStringLiteral("長押し("));
    const int send = quendle.indexOf(QStringLiteral("送信時モード: off（永続）"));
    const int low = quendle.indexOf(QStringLiteral("Low 生認識 ("));
    const int result = quendle.indexOf(QStringLiteral("Low結果(英語 "));
    EXPECT_GE(start, 0);
    EXPECT_LT(start, micOn);
    EXPECT_LT(micOn, tail);
    EXPECT_LT(tail, send);
    EXPECT_LT(send, low);
    EXPECT_LT(low, result);
}

TEST_F(DictationEndToEnd, OnlineRaceTypesTheServiceText) {
    StandInService service;
    service.enqueue(QStringLiteral("/v1/transcribe"), StandInService::Reply::text(QStringLiteral("今日は晴れです")));
    QuendleProcess quendle({{"qualityLevel", "high"}, {"qualityLevelSchema", 2LL}, {"cleanup", false},
                            {"spokenLanguage", "en"}, {"serverURL", service.baseURL()}, {"launchAtLogin", false}, {"triggerKeyCode", 60LL},
                            {"correctionBar", false}});
    ASSERT_TRUE(quendle.waitForLog(QStringLiteral("見張り開始: 成功")));
    dictate(Microphone::speak(QStringLiteral("thank you very much")), quendle);
    EXPECT_TRUE(target->waitForField("line", QStringLiteral("今日は晴れです"), 20000)) << target->field("line").toStdString();
    EXPECT_TRUE(quendle.waitForLog(QStringLiteral("オンライン結果(")));
}

TEST_F(DictationEndToEnd, SlowServiceLosesTheRaceThenItsTextGoesToTheClipboard) {
    StandInService service;
    service.enqueue(QStringLiteral("/v1/transcribe"),
                    StandInService::Reply::delayed(7000, StandInService::Reply::text(QStringLiteral("遅れた正しい文"))));
    QuendleProcess quendle({{"qualityLevel", "high"}, {"qualityLevelSchema", 2LL}, {"cleanup", false},
                            {"spokenLanguage", "en"}, {"serverURL", service.baseURL()}, {"launchAtLogin", false}, {"triggerKeyCode", 60LL},
                            {"correctionBar", false}});
    ASSERT_TRUE(quendle.waitForLog(QStringLiteral("見張り開始: 成功")));
    dictate(Microphone::speak(QStringLiteral("what time is it")), quendle);
    EXPECT_TRUE(target->waitForField("line", QStringLiteral("what time is it"), 20000)) << target->field("line").toStdString();
    EXPECT_TRUE(quendle.waitForLog(QStringLiteral("オンライン3.0秒応答なし → Low採用: ")));
    ASSERT_TRUE(quendle.waitForLog(QStringLiteral("Low採用後にオンライン結果が届いた"), 15000));
    EXPECT_TRUE(pumpUntil([&] { return target->clipboard().value(QStringLiteral("text/plain")) == "遅れた正しい文"; }, 5000));
    EXPECT_EQ(target->field("line"), QStringLiteral("what time is it"));
}

TEST_F(DictationEndToEnd, TapShorterThanTheHoldThresholdInsertsNothing) {
    QuendleProcess quendle({{"qualityLevel", "low"}, {"spokenLanguage", "en"}, {"holdThreshold", 0.5}, {"triggerKeyCode", 60LL},
                            {"launchAtLogin", false}});
    ASSERT_TRUE(quendle.waitForLog(QStringLiteral("見張り開始: 成功")));
    const int shiftR = keyboard.code(XK_Shift_R);
    keyboard.key(shiftR, true);
    ASSERT_TRUE(quendle.waitForLog(QStringLiteral("録音中（マイク起動 "), 5000));
    keyboard.key(shiftR, false);
    EXPECT_TRUE(pumpUntil(
        [&] {
            for (const QString& line : quendle.log())
                if (line.endsWith(QStringLiteral("秒で離されたので誤爆として捨てる"))) return true;
            return false;
        },
        5000));
    TargetApp::spin(1500);
    EXPECT_EQ(target->field("line"), QString());
    EXPECT_EQ(quendle.indexOf(QStringLiteral("送信時モード")), -1);
}
