// The permission steps: the check rule, the requests and the input-monitoring probe (with a
// scripted child, and with real child processes for the runner and the desktop's settings).
#include "TestHome.h"
#include "core/AppLog.h"
#include "core/OnboardingWindow.h"
#include "platform/Files.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakePermissions.h"
#include "platform/fake/FakeSpeechRecognizer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace {

using Step = OnboardingWindow::Step;
using Outcome = OnboardingWindow::ProcessRun::Outcome;

const QString kExecutable = QStringLiteral("/opt/Quendle.app/Contents/MacOS/Quendle");

class OnboardingWindowTest : public ::testing::Test {
protected:
    OnboardingWindowTest() { rebuild(); }

    void rebuild() {
        window.reset();
        OnboardingWindow::Services services{permissions, speech};
        services.executablePath = [this] { return executable; };
        services.runProcess = [this](const QString& program, const QStringList& arguments, double timeout) {
            runs.push_back({program, arguments, timeout});
            if (holdChild) childRelease.tryAcquire(1, 10000);
            if (answers.empty()) return OnboardingWindow::ProcessRun{Outcome::exited, 1};
            const auto answer = answers.front();
            answers.pop_front();
            return answer;
        };
        services.openSettings = [this](Step step) { opened.push_back(step); };
        window = std::make_unique<OnboardingWindow>(services);
    }

    QStringList logLines() const { return home.logLines(); }

    struct Run {
        QString program;
        QStringList arguments;
        double timeout;
    };

    TestHome home;
    FakeMainQueue queue;
    FakePermissions permissions;
    FakeSpeechRecognizerProvider speech;
    QString executable = kExecutable;
    std::deque<OnboardingWindow::ProcessRun> answers;
    std::vector<Run> runs;
    std::vector<Step> opened;
    // A held child answers only once released (background probes).
    bool holdChild = false;
    QSemaphore childRelease;
    std::unique_ptr<OnboardingWindow> window;
};

TEST_F(OnboardingWindowTest, StepsComeInTheOrderOfTheRows) {
    EXPECT_EQ(OnboardingWindow::allCases,
              (std::array<Step, 4>{Step::microphone, Step::speech, Step::accessibility, Step::inputMonitoring}));
    EXPECT_EQ(OnboardingWindow::displayName(Step::microphone), QStringLiteral("マイク"));
    EXPECT_EQ(OnboardingWindow::displayName(Step::inputMonitoring), QStringLiteral("入力監視"));
}

// Only "granted" counts; speech is granted when the on-device model is there.
TEST_F(OnboardingWindowTest, OnlyGrantedCounts) {
    permissions.microphoneState = PermissionState::NotDetermined;
    permissions.accessibilityState = PermissionState::Denied;
    speech.authorization = SpeechAuthorization::Restricted;  // no model installed
    EXPECT_FALSE(window->isGranted(Step::microphone));
    EXPECT_FALSE(window->isGranted(Step::accessibility));
    EXPECT_FALSE(window->isGranted(Step::speech));
    permissions.microphoneState = PermissionState::Granted;
    permissions.accessibilityState = PermissionState::Granted;
    speech.authorization = SpeechAuthorization::Authorized;
    EXPECT_TRUE(window->isGranted(Step::microphone));
    EXPECT_TRUE(window->isGranted(Step::accessibility));
    EXPECT_TRUE(window->isGranted(Step::speech));
}

// ---------------------------------------------------------------- input monitoring and its probe

TEST_F(OnboardingWindowTest, InputMonitoringGrantedInProcessStartsNoChild) {
    permissions.inputMonitoringState = PermissionState::Granted;
    EXPECT_TRUE(window->isGranted(Step::inputMonitoring));
    EXPECT_TRUE(runs.empty());
}

TEST_F(OnboardingWindowTest, AYesFromTheChildIsKeptForTheProcessLife) {
    permissions.inputMonitoringState = PermissionState::Denied;
    answers.push_back({Outcome::exited, 0});
    EXPECT_TRUE(window->isGranted(Step::inputMonitoring));
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].program, kExecutable);
    EXPECT_EQ(runs[0].arguments, QStringList{QStringLiteral("--probe-input-monitoring")});
    EXPECT_DOUBLE_EQ(runs[0].timeout, OnboardingWindow::kProbeTimeout);
    EXPECT_TRUE(window->inputMonitoringProbeGranted());

    for (int i = 0; i < 3; ++i) EXPECT_TRUE(window->isGranted(Step::inputMonitoring));
    EXPECT_TRUE(window->probeInputMonitoring());
    EXPECT_EQ(runs.size(), 1u);
}

TEST_F(OnboardingWindowTest, ANoFromTheChildIsAskedAgainAtTheNextCheck) {
    permissions.inputMonitoringState = PermissionState::Denied;
    answers = {{Outcome::exited, 1}, {Outcome::crashed, -1}, {Outcome::exited, 0}};
    EXPECT_FALSE(window->isGranted(Step::inputMonitoring));
    EXPECT_FALSE(window->isGranted(Step::inputMonitoring));
    EXPECT_FALSE(window->inputMonitoringProbeGranted());
    EXPECT_TRUE(window->isGranted(Step::inputMonitoring));
    EXPECT_EQ(runs.size(), 3u);
}

TEST_F(OnboardingWindowTest, NoExecutableOrNoStartMeansNo) {
    permissions.inputMonitoringState = PermissionState::Denied;
    executable.clear();
    EXPECT_FALSE(window->probeInputMonitoring());
    EXPECT_TRUE(runs.empty());

    executable = kExecutable;
    answers.push_back({Outcome::notStarted, -1});
    EXPECT_FALSE(window->probeInputMonitoring());
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_TRUE(logLines().isEmpty());  // nothing is logged for these
}

TEST_F(OnboardingWindowTest, AChildThatDoesNotAnswerIsNotStartedAgainForAWhile) {
    permissions.inputMonitoringState = PermissionState::Denied;
    answers = {{Outcome::timedOut, -1}, {Outcome::exited, 0}};
    EXPECT_FALSE(window->isGranted(Step::inputMonitoring));
    EXPECT_EQ(logLines(), QStringList{QStringLiteral("権限: 入力監視の確認が時間内に終わらなかった")});

    // The onboarding polls every 2 s: none of those polls may block on another child.
    const int quietPolls = int(OnboardingWindow::kProbeRetryAfterTimeout / OnboardingWindow::kPollInterval) - 1;
    for (int i = 0; i < quietPolls; ++i) {
        queue.advance(OnboardingWindow::kPollInterval);
        EXPECT_FALSE(window->isGranted(Step::inputMonitoring));
    }
    EXPECT_EQ(runs.size(), 1u);

    queue.advance(OnboardingWindow::kPollInterval);  // a minute after the timeout
    EXPECT_TRUE(window->isGranted(Step::inputMonitoring));
    EXPECT_EQ(runs.size(), 2u);
}

// ---------------------------------------------------------------- the probe in the background

TEST_F(OnboardingWindowTest, ABackgroundProbeNeverHoldsTheCallerAndAnswersEveryoneWhoAsked) {
    permissions.inputMonitoringState = PermissionState::Denied;
    answers.push_back({Outcome::exited, 0});
    holdChild = true;
    std::vector<bool> heard;
    window->probeInputMonitoringInBackground([&](bool granted) { heard.push_back(granted); });
    window->probeInputMonitoringInBackground([&](bool granted) { heard.push_back(granted); });
    EXPECT_TRUE(window->probeInBackgroundRunning());
    EXPECT_FALSE(window->isGrantedNow(Step::inputMonitoring));  // no answer yet, and no wait for one
    queue.runPending();
    EXPECT_TRUE(heard.empty());

    childRelease.release();
    ASSERT_TRUE(queue.waitFor([&] { return heard.size() == 2; }));
    EXPECT_EQ(heard, (std::vector<bool>{true, true}));
    ASSERT_EQ(runs.size(), 1u);  // one child for both
    EXPECT_EQ(runs[0].arguments, QStringList{QStringLiteral("--probe-input-monitoring")});
    EXPECT_TRUE(window->isGrantedNow(Step::inputMonitoring));
    EXPECT_FALSE(window->probeInBackgroundRunning());

    // The yes is kept: later askers hear it without a child, on the main queue.
    window->probeInputMonitoringInBackground([&](bool granted) { heard.push_back(granted); });
    EXPECT_EQ(heard.size(), 2u);
    queue.runPending();
    EXPECT_EQ(heard, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(runs.size(), 1u);
}

TEST_F(OnboardingWindowTest, ABackgroundChildThatDoesNotAnswerHoldsNewOnesBack) {
    permissions.inputMonitoringState = PermissionState::Denied;
    answers = {{Outcome::timedOut, -1}, {Outcome::exited, 1}};
    std::vector<bool> heard;
    window->probeInputMonitoringInBackground([&](bool granted) { heard.push_back(granted); });
    ASSERT_TRUE(queue.waitFor([&] { return heard.size() == 1; }));
    EXPECT_EQ(logLines(), QStringList{QStringLiteral("権限: 入力監視の確認が時間内に終わらなかった")});

    window->probeInputMonitoringInBackground([&](bool granted) { heard.push_back(granted); });
    EXPECT_FALSE(window->probeInBackgroundRunning());
    queue.runPending();
    EXPECT_EQ(heard, (std::vector<bool>{false, false}));
    EXPECT_EQ(runs.size(), 1u);

    // A minute later a child is asked again; a no is not kept.
    queue.advance(OnboardingWindow::kProbeRetryAfterTimeout);
    window->probeInputMonitoringInBackground([&](bool granted) { heard.push_back(granted); });
    ASSERT_TRUE(queue.waitFor([&] { return heard.size() == 3; }));
    EXPECT_EQ(runs.size(), 2u);
    EXPECT_FALSE(window->isGrantedNow(Step::inputMonitoring));
}

TEST_F(OnboardingWindowTest, AnAnswerThatArrivesAfterTheWindowIsGoneIsDropped) {
    permissions.inputMonitoringState = PermissionState::Denied;
    answers.push_back({Outcome::exited, 0});
    holdChild = true;
    bool heard = false;
    window->probeInputMonitoringInBackground([&](bool) { heard = true; });
    childRelease.release();
    window.reset();  // waits for the child; its answer is still on its way
    EXPECT_EQ(runs.size(), 1u);
    queue.runPending();
    EXPECT_FALSE(heard);
}

// ---------------------------------------------------------------- requests

TEST_F(OnboardingWindowTest, DecidedMicrophoneOpensTheSettingsAndNeverCompletes) {
    int completions = 0;
    permissions.microphoneState = PermissionState::Denied;
    window->request(Step::microphone, [&] { ++completions; });
    permissions.microphoneState = PermissionState::Granted;
    window->request(Step::microphone, [&] { ++completions; });
    queue.advance(5);
    EXPECT_EQ(completions, 0);
    EXPECT_EQ(opened, (std::vector<Step>{Step::microphone, Step::microphone}));
    EXPECT_EQ(logLines(), (QStringList{QStringLiteral("マイクの状態: 2"), QStringLiteral("マイクの状態: 3")}));
}

TEST_F(OnboardingWindowTest, UndeterminedMicrophoneCompletesLaterOnTheMainQueue) {
    int completions = 0;
    permissions.microphoneState = PermissionState::NotDetermined;
    window->request(Step::microphone, [&] { ++completions; });
    EXPECT_EQ(completions, 0);  // never synchronously
    permissions.microphoneState = PermissionState::Granted;  // the first look found a source
    queue.runPending();
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(logLines(), (QStringList{QStringLiteral("マイクの状態: 0"), QStringLiteral("マイクの許可: true")}));

    // Gone before the answer: nothing is logged or called.
    window->request(Step::microphone, [&] { ++completions; });
    window.reset();
    queue.runPending();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(logLines().size(), 3);
}

TEST_F(OnboardingWindowTest, SpeechCompletesOnlyWhileUndetermined) {
    int completions = 0;
    speech.authorization = SpeechAuthorization::NotDetermined;
    window->request(Step::speech, [&] { ++completions; });
    EXPECT_EQ(completions, 0);
    queue.runPending();
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(opened.empty());

    speech.authorization = SpeechAuthorization::Restricted;
    window->request(Step::speech, [&] { ++completions; });
    queue.runPending();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(opened, std::vector<Step>{Step::speech});
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(OnboardingWindowTest, KeyPermissionsAlwaysOpenTheSettings) {
    int completions = 0;
    for (PermissionState state : {PermissionState::Granted, PermissionState::Denied}) {
        permissions.accessibilityState = state;
        permissions.inputMonitoringState = state;
        window->request(Step::accessibility, [&] { ++completions; });
        window->request(Step::inputMonitoring, [&] { ++completions; });
    }
    queue.runPending();
    EXPECT_EQ(completions, 0);
    EXPECT_EQ(opened, (std::vector<Step>{Step::accessibility, Step::inputMonitoring, Step::accessibility,
                                         Step::inputMonitoring}));
    EXPECT_TRUE(runs.empty());  // a request never probes
}

// ---------------------------------------------------------------- real child processes

TEST(OnboardingWindowProcess, ExitStatusOfTheChild) {
    const QString sh = QStringLiteral("/bin/sh");
    auto run = [&](const QString& script) {
        return OnboardingWindow::runChildProcess(sh, {QStringLiteral("-c"), script}, 10.0);
    };
    auto zero = run(QStringLiteral("exit 0"));
    EXPECT_EQ(zero.outcome, Outcome::exited);
    EXPECT_EQ(zero.exitStatus, 0);
    auto three = run(QStringLiteral("echo noise; echo more >&2; exit 3"));
    EXPECT_EQ(three.outcome, Outcome::exited);
    EXPECT_EQ(three.exitStatus, 3);
    EXPECT_EQ(run(QStringLiteral("kill -KILL $$")).outcome, Outcome::crashed);
    EXPECT_EQ(OnboardingWindow::runChildProcess(QStringLiteral("/nonexistent/Quendle"), {}, 10.0).outcome,
              Outcome::notStarted);
}

TEST(OnboardingWindowProcess, AHangingChildIsKilledAtTheTimeout) {
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(QStringLiteral("pid"));
    QElapsedTimer timer;
    timer.start();
    const auto result = OnboardingWindow::runChildProcess(
        QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("echo $$ > '%1'; exec sleep 60").arg(pidFile)}, 0.5);
    EXPECT_EQ(result.outcome, Outcome::timedOut);
    EXPECT_LT(timer.elapsed(), 20000);  // bounded, far below the child's minute
    // The child is gone, not left behind.
    const QByteArray pid = Files::read(pidFile).trimmed();
    ASSERT_FALSE(pid.isEmpty());
    EXPECT_FALSE(QFile::exists(QStringLiteral("/proc/") + QString::fromLatin1(pid)));
}

// The desktop's settings programs are looked up on PATH.
class DesktopSettingsTest : public ::testing::Test {
protected:
    DesktopSettingsTest() : previousPath_(qgetenv("PATH")) { qputenv("PATH", bin.path().toLocal8Bit()); }
    ~DesktopSettingsTest() override { qputenv("PATH", previousPath_); }

    // An executable script that writes its arguments to `<name>.args`.
    void install(const QString& name) {
        const QString script = QStringLiteral("#!/bin/sh\necho \"$@\" > '%1.tmp' && /bin/mv '%1.tmp' '%1'\n").arg(argsFile(name));
        const QString path = bin.filePath(name);
        ASSERT_TRUE(Files::writeAtomically(path, script.toUtf8()));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString argsFile(const QString& name) const { return bin.filePath(name + QStringLiteral(".args")); }

    TestHome home;
    QTemporaryDir bin;

private:
    QByteArray previousPath_;
};

TEST_F(DesktopSettingsTest, MicrophoneOpensTheSoundSettingsThatExist) {
    EXPECT_FALSE(OnboardingWindow::settingsCommand(Step::microphone).has_value());

    install(QStringLiteral("gnome-control-center"));
    auto command = OnboardingWindow::settingsCommand(Step::microphone);
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(command->program, bin.filePath(QStringLiteral("gnome-control-center")));
    EXPECT_EQ(command->arguments, QStringList{QStringLiteral("sound")});

    install(QStringLiteral("pavucontrol"));  // preferred: it opens on the input devices
    command = OnboardingWindow::settingsCommand(Step::microphone);
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(command->program, bin.filePath(QStringLiteral("pavucontrol")));

    for (Step step : {Step::speech, Step::accessibility, Step::inputMonitoring})
        EXPECT_FALSE(OnboardingWindow::settingsCommand(step).has_value());

    OnboardingWindow::openDesktopSettings(Step::microphone);
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(argsFile(QStringLiteral("pavucontrol"))) && timer.elapsed() < 10000) QThread::msleep(20);
    EXPECT_EQ(Files::read(argsFile(QStringLiteral("pavucontrol"))), QByteArray("--tab=4\n"));

    OnboardingWindow::openDesktopSettings(Step::accessibility);
    const QByteArray log = Files::read(AppLog::fileURL());
    EXPECT_TRUE(log.contains(QStringLiteral("権限: 設定を開いた: ").toUtf8() + bin.filePath(QStringLiteral("pavucontrol")).toUtf8()));
    EXPECT_TRUE(log.contains(QStringLiteral("権限: アクセシビリティの設定画面はこのデスクトップにない").toUtf8()));
}

}  // namespace
