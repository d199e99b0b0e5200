// The whole road with the real application: the Quendle bundle runs with its own HOME, a Qt
// editor has the focus, XTest holds the right shift key, speech flows through the session's
// microphone, and the recognised text is read back from the editor's field. The same dictation
// runs on the bare session and under a window manager (openbox), where the frontmost application
// comes from _NET_ACTIVE_WINDOW and activation goes through the window manager.
#include "../support/standin/StandInService.h"
#include "../support/target/TargetApp.h"
#include "Microphone.h"
#include "QuendleProcess.h"

#include <QFile>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Xlib's macros clash with Qt's names: last.
#include "../platform/X11TestDesktop.h"
#include "SessionWindowManager.h"
#include <X11/keysym.h>

namespace {

const QString kStarted = QStringLiteral("見張り開始: 成功");
const QString kSwitchedLine = QStringLiteral(")が前面ではないので戻す");
const QString kClipboardLine = QStringLiteral("挿入先へ戻せなかったのでクリップボードに残す（貼り付けはしない）");

QVariantMap localSettings() {
    return {{"qualityLevel", "low"}, {"spokenLanguage", "en"}, {"triggerKeyCode", 60LL},
            {"launchAtLogin", false}, {"correctionBar", false}};
}
QVariantMap onlineSettings(const StandInService& service) {
    return {{"qualityLevel", "high"}, {"qualityLevelSchema", 2LL},      {"cleanup", false},
            {"spokenLanguage", "en"}, {"serverURL", service.baseURL()}, {"launchAtLogin", false},
            {"triggerKeyCode", 60LL}, {"correctionBar", false}};
}

class DictationEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        QUENDLE_REQUIRE_SESSION();
        ASSERT_TRUE(keyboard.ok());
        ASSERT_TRUE(QFile::exists(bundleExecutable()));
        qputenv("QT_QPA_PLATFORM", "xcb");  // the editors need real windows (test mains default to offscreen)
        if (withWindowManager()) {
            wm = std::make_unique<SessionWindowManager>();
            ASSERT_TRUE(wm->ready()) << "openbox did not start (scripts/setup installs it)";
        }
    }
    void TearDown() override {
        quendle.reset();
        service.reset();
        other.reset();
        target.reset();
        wm.reset();
    }
    virtual bool withWindowManager() const { return false; }

    // Starts an editor with the focus in its line; under a window manager, waits until it has put
    // the editor in front for good (mapped, focused, its own start-up activation request served).
    std::unique_ptr<TargetApp> startEditor(Window* window = nullptr) {
        auto editor = std::make_unique<TargetApp>();
        if (!editor->started() || !editor->focus("line")) return nullptr;
        if (wm) {
            const Window active = wm->activeWindowOfProcess(editor->pid());
            if (!active) return nullptr;
            if (window) *window = active;
        }
        return editor;
    }
    void startQuendle(const QVariantMap& settings) {
        quendle = std::make_unique<QuendleProcess>(settings);
        ASSERT_TRUE(quendle->waitForLog(kStarted));
    }

    // Holds right shift (by key code, so only the right one) while `speech` plays, then releases.
    void dictate(const QString& words) {
        const QVector<int16_t> speech = Microphone::speak(words);
        ASSERT_FALSE(speech.isEmpty());
        const int shiftR = keyboard.code(XK_Shift_R);
        ASSERT_TRUE(speakWhileHolding(*quendle, speech, [&](bool down) { keyboard.key(shiftR, down); }));
    }
    bool hasLine(const QString& prefix, const QString& suffix) const {
        for (const QString& line : quendle->log())
            if (line.startsWith(prefix) && line.endsWith(suffix)) return true;
        return false;
    }

    XKeyboardLock lock;
    XTestKeyboard keyboard;
    std::unique_ptr<SessionWindowManager> wm;
    std::unique_ptr<StandInService> service;
    std::unique_ptr<QuendleProcess> quendle;
    std::unique_ptr<TargetApp> target, other;
    Window targetWindow = 0, otherWindow = 0;
};

class DictationUnderEitherDesktop : public DictationEndToEnd, public ::testing::WithParamInterface<bool> {
protected:
    bool withWindowManager() const override { return GetParam(); }
};

class WindowManagerEndToEnd : public DictationEndToEnd {
protected:
    bool withWindowManager() const override { return true; }

    // Two editors, the target in front; Quendle on the online road with a service that answers
    // 1.5 s late. Dictates into the target, then the user switches to the other editor and does
    // `meanwhile` while the text is being recognised.
    void dictateWhileTheUserSwitches(const std::function<void()>& meanwhile = {}) {
        ASSERT_TRUE(other = startEditor(&otherWindow));
        ASSERT_TRUE(target = startEditor(&targetWindow));
        service = std::make_unique<StandInService>();
        service->enqueue(QStringLiteral("/v1/transcribe"),
                         StandInService::Reply::delayed(1500, StandInService::Reply::text(QStringLiteral("今日は晴れです"))));
        startQuendle(onlineSettings(*service));
        if (HasFatalFailure()) return;
        dictate(QStringLiteral("thank you very much"));
        wm->activateAsUser(otherWindow);
        ASSERT_TRUE(wm->waitForActive(otherWindow));
        if (meanwhile) meanwhile();
    }
};

}  // namespace

TEST_P(DictationUnderEitherDesktop, LocalRoadTypesThePhraseIntoTheFocusedEditor) {
    ASSERT_TRUE(target = startEditor(&targetWindow));
    startQuendle(localSettings());
    if (HasFatalFailure()) return;
    if (wm) {
        EXPECT_EQ(wm->activeWindow(), targetWindow);  // starting Quendle took nothing from the editor
    }
    dictate(QStringLiteral("what time is it"));
    EXPECT_TRUE(target->waitForField("line", QStringLiteral("what time is it"), 20000)) << target->field("line").toStdString();
    // The road's lines, in order.
    const int start = quendle->indexOf(QStringLiteral("録音を開始しようとしている (Quality=Low)"));
    const int micOn = quendle->indexOf(QStringLiteral("録音中（マイク起動 "));
    const int tail = quendle->indexOf(QStringLiteral("長押し("));
    const int send = quendle->indexOf(QStringLiteral("送信時モード: off（永続）"));
    const int low = quendle->indexOf(QStringLiteral("Low 生認識 ("));
    const int result = quendle->indexOf(QStringLiteral("Low結果(英語 "));
    EXPECT_GE(start, 0);
    EXPECT_LT(start, micOn);
    EXPECT_LT(micOn, tail);
    EXPECT_LT(tail, send);
    EXPECT_LT(send, low);
    EXPECT_LT(low, result);
    EXPECT_FALSE(hasLine(QStringLiteral("挿入先("), kSwitchedLine));
    if (wm) {
        EXPECT_EQ(wm->activeWindow(), targetWindow);
    }
}

INSTANTIATE_TEST_SUITE_P(Desktops, DictationUnderEitherDesktop, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "openbox" : "bare"; });

TEST_F(DictationEndToEnd, OnlineRaceTypesTheServiceText) {
    ASSERT_TRUE(target = startEditor());
    service = std::make_unique<StandInService>();
    service->enqueue(QStringLiteral("/v1/transcribe"), StandInService::Reply::text(QStringLiteral("今日は晴れです")));
    startQuendle(onlineSettings(*service));
    if (HasFatalFailure()) return;
    dictate(QStringLiteral("thank you very much"));
    EXPECT_TRUE(target->waitForField("line", QStringLiteral("今日は晴れです"), 20000)) << target->field("line").toStdString();
    EXPECT_TRUE(quendle->waitForLog(QStringLiteral("オンライン結果(")));
}

TEST_F(DictationEndToEnd, SlowServiceLosesTheRaceThenItsTextGoesToTheClipboard) {
    ASSERT_TRUE(target = startEditor());
    service = std::make_unique<StandInService>();
    service->enqueue(QStringLiteral("/v1/transcribe"),
                     StandInService::Reply::delayed(7000, StandInService::Reply::text(QStringLiteral("遅れた正しい文"))));
    startQuendle(onlineSettings(*service));
    if (HasFatalFailure()) return;
    dictate(QStringLiteral("what time is it"));
    EXPECT_TRUE(target->waitForField("line", QStringLiteral("what time is it"), 20000)) << target->field("line").toStdString();
    EXPECT_TRUE(quendle->waitForLog(QStringLiteral("オンライン3.0秒応答なし → Low採用: ")));
    ASSERT_TRUE(quendle->waitForLog(QStringLiteral("Low採用後にオンライン結果が届いた"), 15000));
    EXPECT_TRUE(pumpUntil([&] { return target->clipboard().value(QStringLiteral("text/plain")) == "遅れた正しい文"; }, 5000));
    EXPECT_EQ(target->field("line"), QStringLiteral("what time is it"));
}

TEST_F(DictationEndToEnd, TapShorterThanTheHoldThresholdInsertsNothing) {
    ASSERT_TRUE(target = startEditor());
    QVariantMap settings = localSettings();
    settings.insert(QStringLiteral("holdThreshold"), 0.5);
    startQuendle(settings);
    if (HasFatalFailure()) return;
    const int shiftR = keyboard.code(XK_Shift_R);
    keyboard.key(shiftR, true);
    ASSERT_TRUE(quendle->waitForLog(QStringLiteral("録音中（マイク起動 "), 5000));
    keyboard.key(shiftR, false);
    // The tap is thrown away: that is the end of its road.
    EXPECT_TRUE(pumpUntil([&] { return hasLine(QString(), QStringLiteral("秒で離されたので誤爆として捨てる")); }, 5000));
    EXPECT_EQ(target->field("line"), QString());
    EXPECT_EQ(quendle->indexOf(QStringLiteral("送信時モード")), -1);
}

TEST_F(WindowManagerEndToEnd, SwitchingAwayDuringRecognitionBringsTheTextBackToTheEditor) {
    dictateWhileTheUserSwitches();
    if (HasFatalFailure()) return;
    EXPECT_TRUE(target->waitForField("line", QStringLiteral("今日は晴れです"), 20000)) << target->field("line").toStdString();
    EXPECT_TRUE(hasLine(QStringLiteral("挿入先("), kSwitchedLine));
    EXPECT_EQ(quendle->indexOf(kClipboardLine), -1);
    EXPECT_EQ(wm->activeWindow(), targetWindow);
    EXPECT_EQ(other->field("line"), QString());  // the one paste went to the target
}

TEST_F(WindowManagerEndToEnd, EditorClosedDuringRecognitionLeavesTheTextOnTheClipboard) {
    dictateWhileTheUserSwitches([&] { ASSERT_TRUE(target->command("close")); });
    if (HasFatalFailure()) return;
    ASSERT_TRUE(quendle->waitForLog(kClipboardLine, 20000));
    // The clipboard is written after the decision not to paste: once it holds the text, the
    // dictation is over.
    EXPECT_TRUE(pumpUntil(
        [&] { return other->clipboard().value(QStringLiteral("text/plain")) == QStringLiteral("今日は晴れです").toUtf8(); },
        5000));
    EXPECT_EQ(other->field("line"), QString());
    EXPECT_EQ(target->field("line"), QString());
    EXPECT_EQ(wm->activeWindow(), otherWindow);
}

// Overlapping sends on a slow machine: a 4 s recording into one editor, a press in its tail that
// starts a short recording into another, and on-device recognition slowed down so the first is
// still being recognised while the second is recorded. Each text lands in its own editor, the
// first first, and no failure is shown.
TEST_F(WindowManagerEndToEnd, APressInTheTailOfASlowLocalPassSendsBothRecordingsEachToItsOwnEditor) {
    ASSERT_TRUE(other = startEditor(&otherWindow));
    ASSERT_TRUE(target = startEditor(&targetWindow));
    // Every step of on-device recognition waits a second first (the application reads this once).
    qputenv("QUENDLE_TEST_LOCAL_SPEECH_DELAY", "1");
    startQuendle(localSettings());
    qunsetenv("QUENDLE_TEST_LOCAL_SPEECH_DELAY");
    if (HasFatalFailure()) return;
    const QVector<int16_t> first = Microphone::speak(QStringLiteral("what time is it"));
    const QVector<int16_t> second = Microphone::speak(QStringLiteral("thank you very much"));
    ASSERT_FALSE(first.isEmpty() || second.isEmpty());
    const QString started = QStringLiteral("録音中（マイク起動 ");
    const auto count = [&](const QString& prefix) {
        int n = 0;
        for (const QString& line : quendle->log()) n += line.startsWith(prefix);
        return n;
    };
    const int shiftR = keyboard.code(XK_Shift_R);

    // The first recording, into the target; the user turns to the other editor before letting go.
    keyboard.key(shiftR, true);
    ASSERT_TRUE(pumpUntil([&] { return count(started) == 1; }, 5000));
    QVector<int16_t> take = first;
    take.resize(16000 * 4);  // four seconds: the phrase, then silence
    const QString firstPlayed = Microphone::queue(take);
    wm->activateAsUser(otherWindow);
    ASSERT_TRUE(wm->waitForActive(otherWindow));
    ASSERT_TRUE(Microphone::waitPlayed(firstPlayed));
    keyboard.key(shiftR, false);
    // Pressed again while the first recording takes its tail: a short second recording.
    ASSERT_TRUE(pumpUntil([&] { return count(QStringLiteral("長押し(")) == 1; }, 5000));
    keyboard.key(shiftR, true);
    ASSERT_TRUE(pumpUntil([&] { return count(started) == 2; }, 5000));
    take = second;
    take.resize(second.size() + 16000 * 3 / 10);
    ASSERT_TRUE(Microphone::waitPlayed(Microphone::queue(take)));
    keyboard.key(shiftR, false);

    // Both land, the first first, each in the editor it was dictated into.
    const QString firstText = QStringLiteral("what time is it"), secondText = QStringLiteral("thank you very much");
    bool outOfOrder = false;
    EXPECT_TRUE(pumpUntil(
        [&] {
            const QString inTarget = target->field("line"), inOther = other->field("line");
            if (inOther == secondText && inTarget != firstText) outOfOrder = true;
            return inTarget == firstText && inOther == secondText;
        },
        30000))
        << target->field("line").toStdString() << " / " << other->field("line").toStdString();
    EXPECT_FALSE(outOfOrder);
    // The sends overlapped: the second recording began before the first one's text was known.
    const QStringList lines = quendle->log();
    int secondStart = -1;
    for (int i = 0, seen = 0; i < lines.size() && secondStart < 0; ++i)
        if (lines[i].startsWith(started) && ++seen == 2) secondStart = i;
    EXPECT_GE(secondStart, 0);
    EXPECT_LT(secondStart, quendle->indexOf(QStringLiteral("Low結果(")));
    // No failure was shown (each one is recorded in the status), and the clipboard held nothing back.
    EXPECT_EQ(quendle->indexOf(kClipboardLine), -1);
    quendle->stop();
    EXPECT_FALSE(quendle->setting(QStringLiteral("status.lastAPIErrorAt")).isValid());
    EXPECT_TRUE(quendle->setting(QStringLiteral("status.lastTranscribeAt")).isValid());
}
