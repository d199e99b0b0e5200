// The shell around dictation: the launch sequence, the status menu for each state, the icon pulse
// and the login item, on fakes and the virtual clock.
#include "app/AppDelegate.h"
#include "settings/SettingsActions.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/Toast.h"
#include "dictation/DictationController.h"
#include "dictation/HotKeyMonitor.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeAudioInput.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/FakeHttpClient.h"
#include "platform/fake/FakeInputSourceService.h"
#include "platform/fake/FakeKeyEventSource.h"
#include "platform/fake/FakeLoginItem.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakePointer.h"
#include "platform/fake/FakeSounds.h"
#include "platform/fake/FakeSpeechRecognizer.h"
#include "platform/fake/FakeStatusItem.h"
#include "platform/fake/FakeSyntheticKeys.h"
#include "platform/fake/FakeTimePitch.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/fake/FakeSpeechAnalyzer.h"
#include "recognition/SpeechEngine26.h"
#include "textio/CorrectionBar.h"
#include "TestHome.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct RecordingToasts final : ToastPresenter {
    QStringList messages;
    void show(const QString& message, std::optional<QPointF>, double) override { messages << message; }
};

class AppDelegateTest : public ::testing::Test {
protected:
    AppDelegateTest() {
        AppPrefs::setDefaults(&defaults);
        Bundle::install(&bundle);
        ToastPresenter::install(&toasts);
        defaults.set("triggerKeyCode", 60);
        provider.add("en-US");
        workspace.frontmost = FakeWorkspace::app("org.example.editor");
    }
    ~AppDelegateTest() override {
        delegate.reset();
        ToastPresenter::install(nullptr);
        Bundle::install(nullptr);
    }

    AppDelegate& launch() {
        delegate = std::make_unique<AppDelegate>(platform);
        delegate->didFinishLaunching();
        queue.runPending();
        return *delegate;
    }
    QStringList log() const { return home.logLines(); }

    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
    FakeBundle bundle;
    RecordingToasts toasts;
    FakeKeyEventSource keys;
    FakeAudioInput audio;
    FakeTimePitch timePitch;
    FakeSounds sounds;
    FakePointer pointer;
    FakeInputSourceService inputSources;
    FakeHttpClient http;
    FakeSpeechRecognizerProvider provider;
    FakeSpeechAnalyzer analyzer26;
    SpeechEngine26 engine26{analyzer26};
    FakePasteboard pasteboard;
    FakeSyntheticKeys syntheticKeys;
    FakeWorkspace workspace;
    FakeAccessibility accessibility;
    FakeLoginItem loginItem;
    FakeStatusItem* statusItem = nullptr;
    bool trusted = true;
    QStringList relaunches;
    int quits = 0;
    Platform platform{keys, audio, timePitch, sounds, pointer, inputSources, http, provider, engine26, pasteboard,
                      syntheticKeys, workspace, accessibility, loginItem,
                      [this] {
                          auto item = std::make_unique<FakeStatusItem>();
                          statusItem = item.get();
                          return item;
                      },
                      [this] { return trusted; }, [](const QString&) {},
                      [this](const QStringList& arguments) {
                          relaunches << arguments;
                          return true;
                      },
                      [this] { ++quits; }, nullptr, nullptr,
                      // Warm-ups run on the virtual clock with the rest.
                      [](std::function<void()> task) { MainQueue::post(std::move(task)); }};
    std::unique_ptr<AppDelegate> delegate;
};

}  // namespace

TEST_F(AppDelegateTest, LaunchLogsStoresTheVersionAndStartsMonitoring) {
    bundle.version = "1.2.3";
    launch();
    const QStringList lines = log();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), "起動");
    EXPECT_TRUE(lines.contains("ログイン時に起動: 登録した"));
    EXPECT_TRUE(lines.contains("見張り開始: 成功 / キー=右シフト"));
    EXPECT_EQ(defaults.stringForKey("lastRunVersion"), "1.2.3");
    EXPECT_TRUE(delegate->controller().isMonitoring());
    ASSERT_NE(statusItem, nullptr);
    EXPECT_EQ(statusItem->titles().first(), "右シフトを長押しで話す");
    // The status file is refreshed every 5 s: one repeating timer besides nothing else running.
    EXPECT_GE(queue.pendingTimers(), 1u);
    // A newer release is looked for once, quietly.
    int checks = 0;
    for (const HttpRequest& request : http.requests()) checks += request.url.path().endsWith("/v1/app/latest");
    EXPECT_EQ(checks, 1);
}

TEST_F(AppDelegateTest, ALaunchThatMovesTheBundleStartsNothing) {
    platform.moveToApplications = [] { return true; };
    launch();
    EXPECT_TRUE(log().isEmpty());
    EXPECT_EQ(statusItem, nullptr);
    EXPECT_FALSE(delegate->controller().isMonitoring());
    EXPECT_EQ(queue.pendingTimers(), 0u);
    EXPECT_TRUE(http.requests().empty());
    EXPECT_FALSE(loginItem.enabled);
}

TEST_F(AppDelegateTest, ABundleInABuildTreeIsNeverStartedAtLogin) {
    QTemporaryDir tree;
    QFile(tree.filePath("CMakeCache.txt")).open(QIODevice::WriteOnly);
    bundle.path = tree.filePath("Quendle.app");
    loginItem.enabled = true;  // registered by an earlier version
    launch();
    EXPECT_FALSE(loginItem.enabled);
    delegate->applyLaunchAtLogin();
    EXPECT_FALSE(loginItem.enabled);
    EXPECT_EQ(log().count("ログイン時に起動: 外した"), 1);
}

TEST_F(AppDelegateTest, LaunchingTheSameVersionAgainLeavesItAlone) {
    defaults.set("lastRunVersion", "0.1.0");
    bool observed = false;
    defaults.observe("lastRunVersion", [&] { observed = true; });
    launch();
    queue.runPending();
    EXPECT_FALSE(observed);
}

TEST_F(AppDelegateTest, MenuBeforeMonitoringAsksForThePermission) {
    trusted = false;
    launch();
    EXPECT_EQ(statusItem->titles().mid(0, 3),
              (QStringList{"キー操作の許可が必要です", "アクセシビリティ設定を開く", "---"}));
    EXPECT_FALSE(statusItem->entries.first().enabled);
    trusted = true;
    queue.advance(1.0);
    EXPECT_EQ(statusItem->titles().first(), "右シフトを長押しで話す");
    EXPECT_EQ(statusItem->entry("アクセシビリティ設定を開く"), nullptr);
}

TEST_F(AppDelegateTest, MenuOffersNoSettingsItemThisDesktopCannotOpen) {
    trusted = false;
    platform.canOpenURL = [](const QString& url) { return !url.startsWith(QLatin1String("x-apple.")); };
    launch();
    EXPECT_EQ(statusItem->titles().mid(0, 2), (QStringList{"キー操作の許可が必要です", "---"}));
}

TEST_F(AppDelegateTest, MenuFollowsTheDictationState) {
    provider.add("ja-JP");  // a Japanese recogniser that takes its time
    launch();
    EXPECT_EQ(statusItem->titles(), (QStringList{"右シフトを長押しで話す", "---", "はじめ方", "設定…", "---", "再起動", "終了"}));
    EXPECT_EQ(statusItem->entry("設定…")->shortcut, ",");
    EXPECT_EQ(statusItem->entry("終了")->shortcut, "q");
    EXPECT_EQ(statusItem->entry("再起動")->symbol, "arrow.clockwise");

    delegate->controller().triggerDown();
    queue.runPending();
    EXPECT_EQ(statusItem->titles().first(), "録音中…");
    EXPECT_EQ(statusItem->title, " LOW");
    EXPECT_FALSE(statusItem->isTemplate);  // the recording badge with its red dot

    audio.feed(16000 * 2, 0.3f);
    queue.advance(2.0);
    delegate->controller().triggerUp();
    queue.advance(0.5);
    EXPECT_EQ(statusItem->titles().first(), "変換中…");
    EXPECT_EQ(statusItem->title, "");
}

TEST_F(AppDelegateTest, CorrectionItemAppearsOnceSomethingWasInserted) {
    launch();
    EXPECT_EQ(statusItem->entry("直前の書き起こしから言い直し"), nullptr);
    delegate->openCorrectionBar();
    EXPECT_EQ(toasts.messages, QStringList{"まだ書き起こしていません"});
    delegate->correctionBar().lastInsertedText = "こんにちは";
    delegate->rebuildStatusMenu();
    ASSERT_NE(statusItem->entry("直前の書き起こしから言い直し"), nullptr);
    EXPECT_EQ(statusItem->entry("直前の書き起こしから言い直し")->symbol, "pencil.line");
}

TEST_F(AppDelegateTest, PulseKeepsOneTimerAndStopsAtFullAlpha) {
    launch();
    queue.advance(10.5);  // the recognisers' warm-ups are over, and the status refresh at 10 s has flushed
    const size_t timers = queue.pendingTimers();
    delegate->startStatusIconBlink();
    delegate->startStatusIconBlink();
    EXPECT_EQ(queue.pendingTimers(), timers + 1);
    queue.advance(0.6);
    EXPECT_DOUBLE_EQ(statusItem->alpha, 0.35);
    queue.advance(0.6);
    EXPECT_DOUBLE_EQ(statusItem->alpha, 1.0);
    queue.advance(0.6);
    delegate->stopStatusIconBlink();
    EXPECT_DOUBLE_EQ(statusItem->alpha, 1.0);
    EXPECT_EQ(queue.pendingTimers(), timers);
}

TEST_F(AppDelegateTest, LoginItemFollowsTheSetting) {
    launch();
    EXPECT_TRUE(loginItem.enabled);
    defaults.set("launchAtLogin", false);
    delegate->applyLaunchAtLogin();
    EXPECT_FALSE(loginItem.enabled);
    EXPECT_TRUE(log().contains("ログイン時に起動: 外した"));
    loginItem.failWith = "だめ";
    defaults.set("launchAtLogin", true);
    delegate->applyLaunchAtLogin();
    EXPECT_TRUE(log().contains("ログイン項目の変更に失敗: だめ"));
    const int changes = loginItem.changes;
    defaults.set("launchAtLogin", true);
    loginItem.failWith.clear();
    loginItem.enabled = true;
    delegate->applyLaunchAtLogin();
    EXPECT_EQ(loginItem.changes, changes);  // already in line: nothing to do
}

TEST_F(AppDelegateTest, RestartRelaunchesWithTakeoverThenQuits) {
    launch();
    delegate->restartApp();
    EXPECT_EQ(relaunches, QStringList{"--takeover"});
    EXPECT_EQ(quits, 0);
    queue.runPending();
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(log().contains("メニューから再起動"));
}

TEST_F(AppDelegateTest, SelectCleanupTakesOnlyStrings) {
    launch();
    delegate->selectCleanup(QVariant(42));
    EXPECT_TRUE(AppPrefs::cleanup());
    delegate->selectCleanup(QVariant(QStringLiteral("off")));
    EXPECT_FALSE(AppPrefs::cleanup());
    delegate->selectCleanup(QVariant(QStringLiteral("friend")));
    EXPECT_EQ(AppPrefs::cleanupStyle(), "friend");
}

TEST_F(AppDelegateTest, MonitoringWaitsForTheOnboardingAndTheMenuAndSettingsReopenIt) {
    std::vector<bool> opened;  // ifNeeded of each call
    std::function<void()> done;
    delegate = std::make_unique<AppDelegate>(platform);
    delegate->onboardingOpener = [&](bool ifNeeded, std::function<void()> finished) {
        opened.push_back(ifNeeded);
        done = std::move(finished);
    };
    delegate->didFinishLaunching();
    queue.runPending();
    EXPECT_EQ(opened, std::vector<bool>{true});
    EXPECT_FALSE(delegate->controller().isMonitoring());
    done();
    EXPECT_TRUE(delegate->controller().isMonitoring());

    delegate->showOnboarding();
    delegate->settingsActions().showSetupOnboarding();
    EXPECT_EQ(opened, (std::vector<bool>{true, false, false}));

    // A finish that comes after the delegate went does nothing.
    delegate.reset();
    done();
}
