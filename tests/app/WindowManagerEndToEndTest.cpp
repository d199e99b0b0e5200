// The whole road on a desktop with a window manager (openbox), where the frontmost application
// comes from _NET_ACTIVE_WINDOW and activation goes through the window manager: a dictation lands
// in the editor the user spoke into, also when the user switched to another application while the
// text was being recognised, and goes to the clipboard (never into the other application) when
// the editor's window was closed meanwhile.
#include "../support/standin/StandInService.h"
#include "../support/target/TargetApp.h"
#include "Microphone.h"
#include "QuendleProcess.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Xlib's macros clash with Qt's names: last.
#include "../platform/X11TestDesktop.h"
#include "SessionWindowManager.h"
#include <X11/keysym.h>

namespace {

const QString kSwitchedLine = QStringLiteral(")が前面ではないので戻す");
const QString kClipboardLine = QStringLiteral("挿入先へ戻せなかったのでクリップボードに残す（貼り付けはしない）");

class WindowManagerEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("QUENDLE_HEADLESS_SESSION")) GTEST_SKIP() << "needs scripts/headless-session";
        ASSERT_TRUE(keyboard.ok());
        ASSERT_TRUE(QFile::exists(bundleExecutable()));
        wm = std::make_unique<SessionWindowManager>();
        ASSERT_TRUE(wm->ready()) << "openbox did not start (scripts/setup installs it)";
        qputenv("QT_QPA_PLATFORM", "xcb");  // the editors need real windows
    }
    void TearDown() override {
        quendle.reset();
        service.reset();
        other.reset();
        target.reset();
        wm.reset();
    }

    // Starts an editor and waits until the window manager has put it in front for good (mapped,
    // focused, its own start-up activation request served).
    std::unique_ptr<TargetApp> startEditor(Window& window) {
        auto editor = std::make_unique<TargetApp>();
        if (!editor->started()) return nullptr;
        window = wm->windowOfProcess(editor->pid());
        if (window == 0 || !wm->waitForActive(window)) return nullptr;
        TargetApp::spin(250);
        return wm->activeWindow() == window ? std::move(editor) : nullptr;
    }

    // Holds right shift while `speech` plays, releases it, then runs `afterRelease` at once.
    void dictate(const QVector<int16_t>& speech, QuendleProcess& quendle,
                 const std::function<void()>& afterRelease = {}) {
        const int shiftR = keyboard.code(XK_Shift_R);
        ASSERT_TRUE(speakWhileHolding(quendle, speech, [&](bool down) { keyboard.key(shiftR, down); }));
        if (afterRelease) afterRelease();
    }

    static bool hasLine(const QuendleProcess& quendle, const QString& prefix, const QString& suffix) {
        for (const QString& line : quendle.log())
            if (line.startsWith(prefix) && line.endsWith(suffix)) return true;
        return false;
    }

    // The online road; the tests' service answers late, which gives the user the time to switch
    // windows while the text is being recognised.
    static QVariantMap onlineSettings(const StandInService& service) {
        return {{"qualityLevel", "high"},   {"qualityLevelSchema", 2LL},      {"cleanup", false},
                {"spokenLanguage", "en"},   {"serverURL", service.baseURL()}, {"launchAtLogin", false},
                {"triggerKeyCode", 60LL},   {"correctionBar", false}};
    }

    // Two editors, the target in front; Quendle on the online road with a service that answers
    // 1.5 s late. Dictates into the target, then the user switches to the other editor and does
    // `meanwhile` while the text is being recognised.
    void dictateWhileTheUserSwitches(const std::function<void()>& meanwhile = {}) {
        other = startEditor(otherWindow);
        ASSERT_TRUE(other);
        target = startEditor(targetWindow);
        ASSERT_TRUE(target);
        service = std::make_unique<StandInService>();
        service->enqueue(QStringLiteral("/v1/transcribe"),
                         StandInService::Reply::delayed(1500, StandInService::Reply::text(QStringLiteral("今日は晴れです"))));
        quendle = std::make_unique<QuendleProcess>(onlineSettings(*service));
        ASSERT_TRUE(quendle->waitForLog(QStringLiteral("見張り開始: 成功")));
        dictate(Microphone::speak(QStringLiteral("thank you very much")), *quendle, [&] {
            wm->activateAsUser(otherWindow);
            ASSERT_TRUE(wm->waitForActive(otherWindow));
            if (meanwhile) meanwhile();
        });
    }

    XKeyboardLock lock;
    XTestKeyboard keyboard;
    std::unique_ptr<SessionWindowManager> wm;
    std::unique_ptr<StandInService> service;
    std::unique_ptr<QuendleProcess> quendle;
    std::unique_ptr<TargetApp> target, other;
    Window targetWindow = 0, otherWindow = 0;
};

}  // namespace

TEST_F(WindowManagerEndToEnd, LocalRoadTypesThePhraseIntoTheActiveEditor) {
    target = startEditor(targetWindow);
    ASSERT_TRUE(target);
    QuendleProcess quendle({{"qualityLevel", "low"}, {"spokenLanguage", "en"}, {"triggerKeyCode", 60LL},
                            {"launchAtLogin", false}, {"correctionBar", false}});
    ASSERT_TRUE(quendle.waitForLog(QStringLiteral("見張り開始: 成功")));
    // Starting Quendle took nothing from the editor.
    EXPECT_EQ(wm->activeWindow(), targetWindow);
    dictate(Microphone::speak(QStringLiteral("what time is it")), quendle);
    EXPECT_TRUE(target->waitForField("line", QStringLiteral("what time is it"), 20000))
        << target->field("line").toStdString();
    EXPECT_FALSE(hasLine(quendle, QStringLiteral("挿入先("), kSwitchedLine));
    EXPECT_EQ(wm->activeWindow(), targetWindow);
}

TEST_F(WindowManagerEndToEnd, SwitchingAwayDuringRecognitionBringsTheTextBackToTheEditor) {
    dictateWhileTheUserSwitches();
    if (HasFatalFailure()) return;
    EXPECT_TRUE(target->waitForField("line", QStringLiteral("今日は晴れです"), 20000))
        << target->field("line").toStdString();
    EXPECT_TRUE(hasLine(*quendle, QStringLiteral("挿入先("), kSwitchedLine));
    EXPECT_EQ(quendle->indexOf(kClipboardLine), -1);
    EXPECT_EQ(wm->activeWindow(), targetWindow);
    TargetApp::spin(500);
    EXPECT_EQ(other->field("line"), QString());
}

TEST_F(WindowManagerEndToEnd, EditorClosedDuringRecognitionLeavesTheTextOnTheClipboard) {
    dictateWhileTheUserSwitches([&] { ASSERT_TRUE(target->command("close")); });
    if (HasFatalFailure()) return;
    ASSERT_TRUE(quendle->waitForLog(kClipboardLine, 20000));
    EXPECT_TRUE(pumpUntil(
        [&] { return other->clipboard().value(QStringLiteral("text/plain")) == QStringLiteral("今日は晴れです").toUtf8(); },
        5000));
    TargetApp::spin(1000);  // a paste, had one been sent, would have landed by now
    EXPECT_EQ(other->field("line"), QString());
    EXPECT_EQ(target->field("line"), QString());
    EXPECT_EQ(wm->activeWindow(), otherWindow);
}
