// The key monitor on the real X server of the headless session: keys pressed with XTest reach the
// monitor with the application's key codes, the keys it swallows never reach the focused window,
// and our own synthetic keys are not taken for the user's.
#include "core/AppPrefs.h"
#include "dictation/HotKeyMonitor.h"
#include "platform/Clock.h"
#include "platform/KeyCodes.h"
#include "platform/SyntheticKeyMarks.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/X11KeyEventSource.h"

#include "TestHome.h"

#include <gtest/gtest.h>

#include "X11TestDesktop.h"  // X headers last: their macros clash with other headers

namespace {

namespace K = KeyCodes;
using Tap = KeyEventSource::Tap;

class X11KeyEventSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        QUENDLE_REQUIRE_SESSION();
        lock = std::make_unique<XKeyboardLock>();
        window = std::make_unique<X11TestWindow>();
        MainQueue::install(&queue);
        AppPrefs::setDefaults(&defaults);
        defaults.set("triggerKeyCode", qlonglong(K::RightShift));
        SyntheticKeyMarks::shared().clear();
        ASSERT_TRUE(keyboard.ok());
        ASSERT_TRUE(window->ok());
        monitor = std::make_unique<HotKeyMonitor>(source);
        monitor->onPress = [this] { events << "press"; };
        monitor->onRelease = [this] { events << "release"; };
        monitor->onCombo = [this] { events << "combo"; };
    }
    void TearDown() override {
        if (!monitor) return;
        monitor.reset();
        AppPrefs::setDefaults(nullptr);
        MainQueue::install(nullptr);
    }
    // Sends a key the focused window must get, and waits until it has: everything sent before it
    // has been handled by then.
    void settle() {
        const int marker = keyboard.code(XK_z);
        keyboard.tap(marker);
        ASSERT_TRUE(pumpUntil([&] { return window->pressed(marker); }));
        pumpUntil([] { return false; }, 20);  // let the monitor's queued reports run
    }

    TestHome home;
    QtMainQueue queue;
    MemoryDefaults defaults;
    XTestKeyboard keyboard;
    std::unique_ptr<XKeyboardLock> lock;
    std::unique_ptr<X11TestWindow> window;
    X11KeyEventSource source;
    std::unique_ptr<HotKeyMonitor> monitor;
    QStringList events;
};

TEST_F(X11KeyEventSourceTest, RightShiftArrivesAsFlagsChangedWithItsCodeAndBit) {
    QList<KeyEvent> seen;
    ASSERT_TRUE(source.install(Tap::Trigger, [&](const KeyEvent& e) {
        seen << e;
        return false;
    }));
    const int shiftR = keyboard.code(XK_Shift_R);
    ASSERT_NE(shiftR, 0);
    keyboard.key(shiftR, true);
    ASSERT_TRUE(pumpUntil([&] { return !seen.isEmpty(); }));
    EXPECT_EQ(seen[0].type, KeyEvent::Type::FlagsChanged);
    EXPECT_EQ(seen[0].keyCode, K::RightShift);
    EXPECT_EQ(seen[0].flags & 0x4, 0x4u);
    EXPECT_EQ(seen[0].flags & 0x2, 0u) << "left shift's bit stays clear";
    EXPECT_TRUE(source.isKeyDown(K::RightShift));
    keyboard.key(shiftR, false);
    ASSERT_TRUE(pumpUntil([&] { return seen.size() == 2; }));
    EXPECT_EQ(seen[1].keyCode, K::RightShift);
    EXPECT_EQ(seen[1].flags & 0x4, 0u);
    EXPECT_FALSE(source.isKeyDown(K::RightShift));
}

TEST_F(X11KeyEventSourceTest, MonitorReportsPressThenReleaseOfTheRightShiftTrigger) {
    ASSERT_TRUE(monitor->start());
    const int shiftR = keyboard.code(XK_Shift_R);
    keyboard.key(shiftR, true);
    ASSERT_TRUE(pumpUntil([&] { return events == QStringList{"press"}; }));
    keyboard.key(shiftR, false);
    ASSERT_TRUE(pumpUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(events, (QStringList{"press", "release"}));
}

TEST_F(X11KeyEventSourceTest, OrdinaryTriggerIsSwallowedAndReported) {
    defaults.set("triggerKeyCode", qlonglong(K::F5));
    ASSERT_TRUE(monitor->start());
    const int f5 = keyboard.code(XK_F5);
    keyboard.key(f5, true);
    keyboard.key(f5, false);
    settle();
    EXPECT_EQ(events, (QStringList{"press", "release"}));
    EXPECT_FALSE(window->pressed(f5)) << "the trigger must not reach the focused window";
    keyboard.tap(f5);  // and again: the first hold left nothing behind
    settle();
    EXPECT_EQ(events, (QStringList{"press", "release", "press", "release"}));
    EXPECT_FALSE(window->pressed(f5));
    // Once the monitor stops, F5 is an ordinary key again.
    monitor->stop();
    keyboard.tap(f5);
    EXPECT_TRUE(pumpUntil([&] { return window->pressed(f5); }));
}

TEST_F(X11KeyEventSourceTest, MenuKeyStandsInForFnAndIsKeptAsTheTrigger) {
    defaults.set("triggerKeyCode", qlonglong(K::Function));
    ASSERT_TRUE(monitor->start());
    const int menu = keyboard.code(XK_Menu);
    ASSERT_NE(menu, 0);
    keyboard.tap(menu);
    settle();
    EXPECT_EQ(events, (QStringList{"press", "release"}));
    EXPECT_FALSE(window->pressed(menu));
}

TEST_F(X11KeyEventSourceTest, KeysTypedWhileAnOrdinaryTriggerIsHeldStillArrive) {
    defaults.set("triggerKeyCode", qlonglong(K::F5));
    ASSERT_TRUE(monitor->start());
    const int f5 = keyboard.code(XK_F5), a = keyboard.code(XK_a);
    keyboard.key(f5, true);
    ASSERT_TRUE(pumpUntil([&] { return events == QStringList{"press"}; }));
    keyboard.tap(a);
    EXPECT_TRUE(pumpUntil([&] { return window->pressed(a); }));
    keyboard.key(f5, false);
    settle();
    EXPECT_EQ(events, (QStringList{"press", "release"}));
    EXPECT_FALSE(window->pressed(f5));
}

TEST_F(X11KeyEventSourceTest, RestartingTheWatchWhileAnOrdinaryTriggerIsHeldLeavesTheKeyboardFree) {
    defaults.set("triggerKeyCode", qlonglong(K::F5));
    ASSERT_TRUE(monitor->start());
    const int f5 = keyboard.code(XK_F5);
    keyboard.key(f5, true);  // swallowed: our grab holds the keyboard until F5 goes up
    ASSERT_TRUE(pumpUntil([&] { return events == QStringList{"press"}; }));
    ASSERT_TRUE(monitor->start());  // monitoring started again meanwhile
    ASSERT_TRUE(pumpUntil([&] { return events.size() == 2; }));
    keyboard.key(f5, false);
    settle();
    // The next hold is seen, and the keyboard is not left waiting for our answer.
    window->clear();
    keyboard.tap(f5);
    EXPECT_TRUE(pumpUntil([&] { return events.size() == 4; }));
    EXPECT_EQ(events, (QStringList{"press", "release", "press", "release"}));
    const int a = keyboard.code(XK_a);
    keyboard.tap(a);
    EXPECT_TRUE(pumpUntil([&] { return window->pressed(a); })) << "the keyboard must not stay frozen";
    EXPECT_FALSE(window->pressed(f5));
}

TEST_F(X11KeyEventSourceTest, ArrowKeysAreTakenOnlyWhileRecording) {
    bool consume = true;
    QList<int> arrows;
    monitor->onArrowKey = [&](int code) {
        arrows << code;
        return consume;
    };
    ASSERT_TRUE(monitor->start());
    const int left = keyboard.code(XK_Left);

    keyboard.tap(left);  // not recording: only observed
    ASSERT_TRUE(pumpUntil([&] { return window->pressed(left); }));

    window->clear();
    monitor->setRecordingActive(true);
    keyboard.tap(left);
    settle();
    EXPECT_FALSE(window->pressed(left));
    EXPECT_EQ(arrows.size(), 2);
    EXPECT_EQ(arrows.last(), K::LeftArrow);

    // Recording, but the handler declines: the key goes on to the window->
    consume = false;
    window->clear();
    keyboard.tap(left);
    EXPECT_TRUE(pumpUntil([&] { return window->pressed(left); }));

    consume = true;
    monitor->setRecordingActive(false);
    window->clear();
    keyboard.tap(left);
    EXPECT_TRUE(pumpUntil([&] { return window->pressed(left); }));
}

TEST_F(X11KeyEventSourceTest, TriggerReleasedWhileASwallowedArrowIsHeldIsStillReported) {
    monitor->onArrowKey = [](int) { return true; };
    ASSERT_TRUE(monitor->start());
    monitor->setRecordingActive(true);
    const int shiftR = keyboard.code(XK_Shift_R), left = keyboard.code(XK_Left);
    keyboard.key(shiftR, true);
    ASSERT_TRUE(pumpUntil([&] { return events == QStringList{"press"}; }));
    keyboard.key(left, true);  // taken: the keyboard is ours until Left goes up
    keyboard.key(shiftR, false);
    EXPECT_TRUE(pumpUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(events, (QStringList{"press", "release"}));
    keyboard.key(left, false);
    monitor->setRecordingActive(false);
    settle();
    EXPECT_FALSE(window->pressed(left));
}

TEST_F(X11KeyEventSourceTest, OurOwnControlVIsNoComboButAUserKeyIs) {
    ASSERT_TRUE(monitor->start());
    const int shiftR = keyboard.code(XK_Shift_R), controlL = keyboard.code(XK_Control_L), v = keyboard.code(XK_v);
    keyboard.key(shiftR, true);
    ASSERT_TRUE(pumpUntil([&] { return events == QStringList{"press"}; }));

    // The paste keystroke, announced the way the text inserter announces it.
    auto& marks = SyntheticKeyMarks::shared();
    const double now = Clock::monotonicNow();
    for (auto [code, down] : {std::pair{controlL, true}, {v, true}, {v, false}, {controlL, false}}) {
        marks.announce(code, down, now);
        keyboard.key(code, down);
    }
    settle();  // the marker "z" is a user key: it fires the combo
    EXPECT_TRUE(window->pressed(v)) << "our paste reaches the window";
    EXPECT_EQ(events, (QStringList{"press", "combo"}));
    keyboard.key(shiftR, false);
    ASSERT_TRUE(pumpUntil([&] { return events.size() == 3; }));
}

TEST_F(X11KeyEventSourceTest, ScreenshotChordIsSwallowedAndPlainVIsNot) {
    int pastes = 0;
    monitor->onScreenshotPaste = [&] { ++pastes; };
    ASSERT_TRUE(monitor->start());
    const int v = keyboard.code(XK_v);
    const int mods[] = {keyboard.code(XK_Control_L), keyboard.code(XK_Alt_L), keyboard.code(XK_Super_L)};
    for (int mod : mods) keyboard.key(mod, true);
    keyboard.tap(v);
    for (int mod : mods) keyboard.key(mod, false);
    settle();
    EXPECT_EQ(pastes, 1);
    EXPECT_FALSE(window->pressed(v));
    keyboard.tap(v);
    EXPECT_TRUE(pumpUntil([&] { return window->pressed(v); }));
    EXPECT_EQ(pastes, 1);
}

}  // namespace
