#include "core/AppPrefs.h"
#include "dictation/HotKeyMonitor.h"
#include "platform/KeyCodes.h"
#include "platform/fake/FakeKeyEventSource.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/MemoryDefaults.h"

#include "TestHome.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

using Tap = KeyEventSource::Tap;
namespace K = KeyCodes;

constexpr quint64 kCmd = K::CommandFlag, kOpt = K::OptionFlag, kCtrl = K::ControlFlag, kShift = K::ShiftFlag;
constexpr quint64 kRightShiftDown = 0x4 | K::ShiftFlag;

class HotKeyMonitorTest : public ::testing::Test {
protected:
    HotKeyMonitorTest() {
        AppPrefs::setDefaults(&defaults);
        defaults.set("triggerKeyCode", qlonglong(K::RightShift));
        monitor.onPress = [this] { events << "press"; };
        monitor.onRelease = [this] { events << "release"; };
        monitor.onCombo = [this] { events << "combo"; };
    }
    ~HotKeyMonitorTest() override {
        monitor.stop();
        AppPrefs::setDefaults(nullptr);
    }

    void setTrigger(int code) { defaults.set("triggerKeyCode", qlonglong(code)); }
    QStringList take() {
        queue.runPending();
        QStringList out = events;
        events.clear();
        return out;
    }
    QString log() const { return home.logText(); }

    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
    FakeKeyEventSource keys;
    HotKeyMonitor monitor{keys};
    QStringList events;
};

// ---- trigger keys

TEST_F(HotKeyMonitorTest, ModifierTriggerReportsStateChangesOnlyAndAlwaysPassesTheEvent) {
    ASSERT_TRUE(monitor.start());
    EXPECT_FALSE(keys.flagsChanged(K::RightShift, kRightShiftDown));
    EXPECT_TRUE(events.isEmpty()) << "reports are delivered later on the main queue";
    EXPECT_EQ(take(), QStringList{"press"});
    EXPECT_FALSE(keys.flagsChanged(K::RightShift, kRightShiftDown));  // same state: nothing
    EXPECT_FALSE(keys.keyDown(K::RightShift));                       // not a flags-changed event
    EXPECT_TRUE(take().isEmpty());
    EXPECT_FALSE(keys.flagsChanged(K::RightShift, 0));
    EXPECT_EQ(take(), QStringList{"release"});
}

TEST_F(HotKeyMonitorTest, LeftAndRightModifierBitsAreToldApart) {
    setTrigger(K::LeftShift);
    ASSERT_TRUE(monitor.start());
    // Right shift's bit set, left shift's not: left shift is still up.
    keys.flagsChanged(K::LeftShift, kRightShiftDown);
    EXPECT_TRUE(take().isEmpty());
    keys.flagsChanged(K::LeftShift, 0x2 | kShift);
    EXPECT_EQ(take(), QStringList{"press"});
    keys.flagsChanged(K::LeftShift, 0x4 | kShift);  // left released while right is held
    EXPECT_EQ(take(), QStringList{"release"});
}

TEST_F(HotKeyMonitorTest, CapsLockFnAndUnlistedCodesUseTheirFlagBits) {
    EXPECT_EQ(HotKeyMonitor::triggerFlagBit(K::CapsLock), 0x10000u);
    EXPECT_EQ(HotKeyMonitor::triggerFlagBit(K::Function), 0x800000u);
    EXPECT_EQ(HotKeyMonitor::triggerFlagBit(200), 0x800000u);
    EXPECT_EQ(HotKeyMonitor::triggerFlagBit(K::RightControl), 0x2000u);
    setTrigger(K::Function);
    ASSERT_TRUE(monitor.start());
    keys.flagsChanged(K::Function, 0x10000);
    EXPECT_TRUE(take().isEmpty());
    keys.flagsChanged(K::Function, 0x800000);
    EXPECT_EQ(take(), QStringList{"press"});
}

TEST_F(HotKeyMonitorTest, FnAsTheTriggerIsKeptFromApplicationsOtherModifiersAreNot) {
    setTrigger(K::Function);
    ASSERT_TRUE(monitor.start());
    EXPECT_TRUE(keys.swallowable.contains(KeyChord{K::Function, 0, true, -1}));
    EXPECT_TRUE(keys.flagsChanged(K::Function, 0x800000));
    EXPECT_TRUE(keys.flagsChanged(K::Function, 0));
    EXPECT_EQ(take(), (QStringList{"press", "release"}));
    setTrigger(K::RightOption);
    queue.runPending();
    EXPECT_FALSE(keys.swallowable.contains(KeyChord{K::Function, 0, true, -1}));
    EXPECT_FALSE(keys.flagsChanged(K::RightOption, 0x40 | kOpt));
    EXPECT_FALSE(keys.flagsChanged(K::Function, 0x800000));
}

TEST_F(HotKeyMonitorTest, OrdinaryTriggerIsSwallowedWithItsRepeatsAndReportsOnePressAndRelease) {
    setTrigger(K::F5);
    ASSERT_TRUE(monitor.start());
    EXPECT_TRUE(keys.keyUp(K::F5));  // a release without a press: swallowed, nothing reported
    EXPECT_TRUE(take().isEmpty());
    EXPECT_TRUE(keys.keyDown(K::F5));
    EXPECT_TRUE(keys.keyDown(K::F5, 0, true));
    EXPECT_TRUE(keys.keyDown(K::F5, 0, true));
    EXPECT_TRUE(keys.keyDown(K::F5));  // a second down without an up (no repeat flag)
    EXPECT_EQ(take(), QStringList{"press"});
    EXPECT_FALSE(keys.flagsChanged(K::F5, 0));
    EXPECT_TRUE(keys.keyUp(K::F5));
    EXPECT_EQ(take(), QStringList{"release"});
}

TEST_F(HotKeyMonitorTest, TriggerSettingIsReadAtEveryEvent) {
    ASSERT_TRUE(monitor.start());
    setTrigger(K::RightOption);
    queue.runPending();
    keys.flagsChanged(K::RightShift, kRightShiftDown);
    EXPECT_TRUE(take().isEmpty());
    keys.flagsChanged(K::RightOption, 0x40 | kOpt);
    EXPECT_EQ(take(), QStringList{"press"});
}

// ---- combos

TEST_F(HotKeyMonitorTest, FirstOtherKeyDuringAModifierHoldIsOneComboAndArrowsNeverCount) {
    ASSERT_TRUE(monitor.start());
    keys.flagsChanged(K::RightShift, kRightShiftDown);
    take();
    EXPECT_FALSE(keys.keyDown(K::LeftArrow, kRightShiftDown));
    EXPECT_FALSE(keys.keyDown(K::UpArrow, kRightShiftDown));
    EXPECT_TRUE(take().isEmpty());
    EXPECT_FALSE(keys.keyDown(0, kRightShiftDown));  // "a" is typed
    EXPECT_FALSE(keys.keyUp(0, kRightShiftDown));
    EXPECT_FALSE(keys.keyDown(11, kRightShiftDown));  // "b": nothing more in this hold
    EXPECT_EQ(take(), QStringList{"combo"});
    keys.flagsChanged(K::RightShift, 0);
    keys.flagsChanged(K::RightShift, kRightShiftDown);
    keys.keyDown(0, kRightShiftDown);
    EXPECT_EQ(take(), (QStringList{"release", "press", "combo"}));
    // Keys pressed while the trigger is up are no combos.
    keys.flagsChanged(K::RightShift, 0);
    keys.keyDown(0);
    EXPECT_EQ(take(), QStringList{"release"});
}

TEST_F(HotKeyMonitorTest, OrdinaryTriggersHaveNoCombos) {
    setTrigger(K::F5);
    ASSERT_TRUE(monitor.start());
    keys.keyDown(K::F5);
    keys.keyDown(0);
    EXPECT_EQ(take(), QStringList{"press"});
}

// ---- arrow keys

TEST_F(HotKeyMonitorTest, ArrowKeysAreSwallowedOnlyWhenTheCallbackHandlesThem) {
    ASSERT_TRUE(monitor.start());
    EXPECT_FALSE(keys.keyDown(K::LeftArrow));  // no callback
    QList<int> seen;
    bool handled = false;
    monitor.onArrowKey = [&](int code) {
        seen << code;
        return handled;
    };
    EXPECT_FALSE(keys.keyDown(K::RightArrow));
    handled = true;
    EXPECT_TRUE(keys.keyDown(K::DownArrow));
    EXPECT_FALSE(keys.keyUp(K::DownArrow));  // the shortcut tap sees key downs only
    EXPECT_EQ(seen, (QList<int>{K::RightArrow, K::DownArrow}));
}

TEST_F(HotKeyMonitorTest, ArrowKeysAreSwallowableOnlyWhileARecordingRuns) {
    ASSERT_TRUE(monitor.start());
    auto arrows = [&] {
        int n = 0;
        for (const KeyChord& chord : keys.swallowable)
            if (K::isArrow(chord.keyCode)) ++n;
        return n;
    };
    EXPECT_EQ(arrows(), 0);
    monitor.setRecordingActive(true);
    EXPECT_EQ(arrows(), 4);
    monitor.setRecordingActive(false);
    EXPECT_EQ(arrows(), 0);
}

// ---- screenshot paste

struct ScreenshotCase {
    const char* mode;
    int trigger;
    quint64 flags;
    int heldKey;  // -1: none
    bool matches;
};

class ScreenshotShortcutTest : public HotKeyMonitorTest, public ::testing::WithParamInterface<ScreenshotCase> {};

TEST_P(ScreenshotShortcutTest, MatchesItsChordOnly) {
    const ScreenshotCase c = GetParam();
    if (*c.mode) defaults.set("screenshotPasteKey", QString::fromLatin1(c.mode));
    setTrigger(c.trigger);
    if (c.heldKey >= 0) keys.setKeyDown(c.heldKey, true);
    int pastes = 0;
    monitor.onScreenshotPaste = [&] { ++pastes; };
    ASSERT_TRUE(monitor.start());
    EXPECT_EQ(keys.keyDown(K::V, c.flags), c.matches);
    EXPECT_EQ(pastes, c.matches ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ScreenshotShortcutTest,
    ::testing::Values(
        ScreenshotCase{"", K::RightShift, kCtrl | kOpt | kCmd, -1, true},  // default
        ScreenshotCase{"", K::RightShift, kCtrl | kOpt | kCmd | kShift, -1, false},
        ScreenshotCase{"", K::RightShift, kOpt | kCmd, -1, false},
        ScreenshotCase{"controlOptionCommand", K::RightShift, kCtrl | kOpt | kCmd, -1, true},
        ScreenshotCase{"optionCommand", K::RightShift, kOpt | kCmd, -1, true},
        ScreenshotCase{"optionCommand", K::RightShift, kCtrl | kOpt | kCmd, -1, false},
        ScreenshotCase{"eisu", K::RightShift, 0, K::Eisu, true},
        ScreenshotCase{"eisu", K::RightShift, 0, -1, false},
        ScreenshotCase{"eisu", K::RightShift, kCmd, K::Eisu, false},
        ScreenshotCase{"kana", K::RightShift, 0, K::Kana, true},
        ScreenshotCase{"kana", K::RightShift, 0, K::Eisu, false},
        // The held key is busy as the trigger: the default chord applies instead.
        ScreenshotCase{"eisu", K::Eisu, 0, K::Eisu, false},
        ScreenshotCase{"eisu", K::Eisu, kCtrl | kOpt | kCmd, -1, true},
        ScreenshotCase{"kana", K::Kana, kCtrl | kOpt | kCmd, -1, true},
        ScreenshotCase{"kana", K::Eisu, 0, K::Kana, true},
        ScreenshotCase{"unknown", K::RightShift, kCtrl | kOpt | kCmd, -1, true}));

TEST_F(HotKeyMonitorTest, ScreenshotShortcutOffPassesAndRepeatsAreSwallowedSilently) {
    int pastes = 0;
    ASSERT_TRUE(monitor.start());
    EXPECT_TRUE(keys.keyDown(K::V, kCtrl | kOpt | kCmd));  // swallowed even without a callback
    monitor.onScreenshotPaste = [&] { ++pastes; };
    EXPECT_TRUE(keys.keyDown(K::V, kCtrl | kOpt | kCmd, true));
    EXPECT_EQ(pastes, 0);
    defaults.set("screenshotPasteEnabled", false);
    EXPECT_FALSE(keys.keyDown(K::V, kCtrl | kOpt | kCmd));
    EXPECT_EQ(pastes, 0);
}

TEST_F(HotKeyMonitorTest, ScreenshotChordIsSwallowableAsTheSettingsSay) {
    ASSERT_TRUE(monitor.start());
    auto vChord = [&]() -> std::optional<KeyChord> {
        for (const KeyChord& chord : keys.swallowable)
            if (chord.keyCode == K::V) return chord;
        return std::nullopt;
    };
    ASSERT_TRUE(vChord());
    EXPECT_EQ(vChord()->modifiers, kCtrl | kOpt | kCmd);
    defaults.set("screenshotPasteKey", QString("kana"));
    queue.runPending();  // settings observers run on the main queue
    ASSERT_TRUE(vChord());
    EXPECT_EQ(vChord()->modifiers, 0u);
    EXPECT_EQ(vChord()->whileHeld, K::Kana);
    defaults.set("screenshotPasteEnabled", false);
    queue.runPending();
    EXPECT_FALSE(vChord());
}

// ---- bulk delete

struct BulkCase {
    const char* key;
    quint64 flags;
    bool matches;
};

class BulkDeleteTest : public HotKeyMonitorTest, public ::testing::WithParamInterface<BulkCase> {};

TEST_P(BulkDeleteTest, MatchesItsModifiersOnly) {
    const BulkCase c = GetParam();
    defaults.set("bulkDelete", true);
    if (*c.key) defaults.set("bulkDeleteKey", QString::fromLatin1(c.key));
    int calls = 0;
    monitor.onBulkDelete = [&] {
        ++calls;
        return true;
    };
    ASSERT_TRUE(monitor.start());
    EXPECT_EQ(keys.keyDown(K::Delete, c.flags), c.matches);
    EXPECT_EQ(calls, c.matches ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, BulkDeleteTest,
    ::testing::Values(BulkCase{"", kCmd, true}, BulkCase{"", kCmd | kShift, false}, BulkCase{"", kCmd | kOpt, false},
                      BulkCase{"command", kCmd, true}, BulkCase{"commandShift", kCmd | kShift, true},
                      BulkCase{"commandShift", kCmd | kShift | kCtrl, false}, BulkCase{"commandShift", kCmd, false},
                      BulkCase{"control", kCtrl, true}, BulkCase{"control", kCtrl | kShift, false},
                      BulkCase{"controlShift", kCtrl | kShift, true}, BulkCase{"controlShift", kCtrl | kShift | kOpt, false},
                      BulkCase{"bogus", kCmd, true}, BulkCase{"", 0, false}));

TEST_F(HotKeyMonitorTest, BulkDeleteOffOrDeclinedPassesTheKey) {
    bool answer = false;
    monitor.onBulkDelete = [&] { return answer; };
    ASSERT_TRUE(monitor.start());
    EXPECT_FALSE(keys.keyDown(K::Delete, kCmd));  // setting off
    defaults.set("bulkDelete", true);
    EXPECT_FALSE(keys.keyDown(K::Delete, kCmd));  // declined (e.g. nothing to clear)
    answer = true;
    EXPECT_TRUE(keys.keyDown(K::Delete, kCmd));
}

TEST_F(HotKeyMonitorTest, DeleteWhileTheTriggerIsHeldIsDroppedWithoutACombo) {
    int calls = 0;
    defaults.set("bulkDelete", true);
    monitor.onBulkDelete = [&] {
        ++calls;
        return true;
    };
    ASSERT_TRUE(monitor.start());
    keys.flagsChanged(K::RightShift, kRightShiftDown);
    keys.setKeyDown(K::RightShift, true);
    EXPECT_TRUE(keys.keyDown(K::Delete, kRightShiftDown | kCmd));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(take(), QStringList{"press"}) << "the dropped Delete is no combo";
    // The source missed the release: the trigger is no longer physically down.
    keys.setKeyDown(K::RightShift, false);
    EXPECT_TRUE(keys.keyDown(K::Delete, kCmd));
    EXPECT_EQ(calls, 1);
}

// ---- start, stop and re-arming

TEST_F(HotKeyMonitorTest, StartFailsCleanlyWithoutTheTriggerTapAndCopesWithoutTheShortcutTap) {
    keys.failInstall = true;
    EXPECT_FALSE(monitor.start());
    EXPECT_FALSE(keys.isInstalled(Tap::Trigger));
    EXPECT_EQ(queue.pendingTimers(), 0u);
    keys.failInstall = false;
    keys.failShortcutInstall = true;
    EXPECT_TRUE(monitor.start());
    EXPECT_TRUE(monitor.isRunning());
    EXPECT_FALSE(keys.isInstalled(Tap::Shortcut));
    monitor.stop();
    monitor.stop();
    EXPECT_FALSE(keys.isInstalled(Tap::Trigger));
    EXPECT_TRUE(keys.swallowable.isEmpty());
}

TEST_F(HotKeyMonitorTest, RestartWhileTheTriggerIsHeldReportsTheRelease) {
    ASSERT_TRUE(monitor.start());
    keys.flagsChanged(K::RightShift, kRightShiftDown);
    EXPECT_EQ(take(), QStringList{"press"});
    ASSERT_TRUE(monitor.start());
    EXPECT_EQ(take(), QStringList{"release"});
    EXPECT_FALSE(monitor.isDown());
    // A restart while idle reports nothing.
    ASSERT_TRUE(monitor.start());
    EXPECT_TRUE(take().isEmpty());
}

TEST_F(HotKeyMonitorTest, ChangingTheTriggerWhileItIsHeldReportsTheRelease) {
    ASSERT_TRUE(monitor.start());
    keys.flagsChanged(K::RightShift, kRightShiftDown);
    take();
    setTrigger(K::F5);
    EXPECT_EQ(take(), QStringList{"release"});
    EXPECT_FALSE(monitor.isDown());
    EXPECT_TRUE(keys.swallowable.contains(KeyChord{K::F5, 0, true, -1}));
}

TEST_F(HotKeyMonitorTest, WatchdogReenablesAStoppedTapAndSendsTheMissedRelease) {
    ASSERT_TRUE(monitor.start());
    keys.flagsChanged(K::RightShift, kRightShiftDown);
    take();
    keys.disable(Tap::Trigger, false);
    keys.flagsChanged(K::RightShift, 0);  // lost: the tap is off
    queue.advance(9.9);
    EXPECT_TRUE(take().isEmpty());
    queue.advance(0.1);
    EXPECT_TRUE(keys.isEnabled(Tap::Trigger));
    EXPECT_EQ(take(), QStringList{"release"});
    EXPECT_TRUE(log().contains("キー見張りが止まっていたので入れ直す（見回り・キーは解放済み）"));
}

TEST_F(HotKeyMonitorTest, RearmKeepsAHeldTriggerHeld) {
    ASSERT_TRUE(monitor.start());
    keys.flagsChanged(K::RightShift, kRightShiftDown);
    keys.setKeyDown(K::RightShift, true);
    take();
    keys.disable(Tap::Shortcut, true);  // the source says so itself
    EXPECT_TRUE(keys.isEnabled(Tap::Shortcut));
    EXPECT_TRUE(take().isEmpty());
    EXPECT_TRUE(monitor.isDown());
    EXPECT_TRUE(log().contains("キー見張りが止まっていたので入れ直す（停止通知・キーは押下中なので録音継続）"));
    // Nothing is off: the tick does nothing.
    const QString before = log();
    queue.advance(10);
    EXPECT_EQ(log(), before);
}

TEST_F(HotKeyMonitorTest, ReportsQueuedBeforeTheMonitorIsGoneAreDropped) {
    int calls = 0;
    {
        FakeKeyEventSource source;
        HotKeyMonitor doomed(source);
        doomed.onPress = [&] { ++calls; };
        ASSERT_TRUE(doomed.start());
        source.flagsChanged(K::RightShift, kRightShiftDown);
    }
    queue.advance(20);
    EXPECT_EQ(calls, 0);
}

}  // namespace
