#include "core/OnboardingWindow.h"

#include "core/AppLog.h"
#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/Permissions.h"
#include "platform/SerialQueue.h"
#include "platform/SpeechRecognizer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>

#include <cmath>

const QString OnboardingWindow::kProbeSwitch = QStringLiteral("--probe-input-monitoring");

OnboardingWindow::OnboardingWindow(Services services) : services_(std::move(services)) {}

OnboardingWindow::~OnboardingWindow() {
    *alive_ = false;
    // The queue's thread may still wait for a child; what it posts then finds this object gone.
    probeQueue_.reset();
}

QString OnboardingWindow::displayName(Step step) {
    switch (step) {
    case Step::microphone: return QStringLiteral("マイク");
    case Step::speech: return QStringLiteral("音声認識");
    case Step::accessibility: return QStringLiteral("アクセシビリティ");
    case Step::inputMonitoring: return QStringLiteral("入力監視");
    }
    return {};
}

QString OnboardingWindow::missingText(Step step) {
    switch (step) {
    case Step::microphone: return QStringLiteral("サウンドサーバーかマイクが見つかりません");
    case Step::speech: return QStringLiteral("音声モデルのパッケージ（pocketsphinx-en-us）が入っていません");
    case Step::accessibility:
    case Step::inputMonitoring: return QStringLiteral("X サーバーに拡張機能 XTEST と XInputExtension がありません");
    }
    return {};
}

int OnboardingWindow::authorizationNumber(PermissionState state) {
    switch (state) {
    case PermissionState::NotDetermined: return 0;
    case PermissionState::Restricted: return 1;
    case PermissionState::Denied: return 2;
    case PermissionState::Granted: return 3;
    }
    return 0;
}

// ---------------------------------------------------------------- check rule

bool OnboardingWindow::isGranted(Step step) {
    switch (step) {
    case Step::microphone: return services_.permissions.microphone() == PermissionState::Granted;
    case Step::speech: return services_.speech.authorizationStatus() == SpeechAuthorization::Authorized;
    case Step::accessibility: return services_.permissions.accessibility() == PermissionState::Granted;
    case Step::inputMonitoring:
        if (services_.permissions.inputMonitoring() == PermissionState::Granted) return true;
        if (inputMonitoringProbeGranted_) return true;
        return probeInputMonitoring();
    }
    return false;
}

bool OnboardingWindow::isGrantedNow(Step step) {
    if (step != Step::inputMonitoring) return isGranted(step);
    return services_.permissions.inputMonitoring() == PermissionState::Granted || inputMonitoringProbeGranted_;
}

void OnboardingWindow::checkAgain(std::function<void()> answered) {
    std::weak_ptr<bool> alive = alive_;
    services_.permissions.checkAgain([alive, answered = std::move(answered)] {
        const auto token = alive.lock();
        if (token && *token && answered) answered();
    });
}

// ---------------------------------------------------------------- request

void OnboardingWindow::request(Step step, std::function<void()> completion) {
    std::weak_ptr<bool> alive = alive_;
    switch (step) {
    case Step::microphone: {
        const PermissionState state = services_.permissions.microphone();
        AppLog::write(QStringLiteral("マイクの状態: ") + QString::number(authorizationNumber(state)));
        if (state == PermissionState::NotDetermined) {
            // The first look for an input source is still running: its answer stands in for the
            // answer to a prompt.
            MainQueue::post([this, alive, completion = std::move(completion)] {
                const auto token = alive.lock();
                if (!token || !*token) return;
                const bool granted = services_.permissions.microphone() == PermissionState::Granted;
                AppLog::write(QStringLiteral("マイクの許可: ") + (granted ? QStringLiteral("true") : QStringLiteral("false")));
                if (completion) completion();
            });
            return;
        }
        break;
    }
    case Step::speech:
        if (services_.speech.authorizationStatus() == SpeechAuthorization::NotDetermined) {
            MainQueue::post([alive, completion = std::move(completion)] {
                const auto token = alive.lock();
                if (token && *token && completion) completion();
            });
            return;
        }
        break;
    case Step::accessibility:
    case Step::inputMonitoring:
        // No trust prompt exists here: the settings (when there are any) are all we can offer.
        break;
    }
    if (services_.openSettings) services_.openSettings(step);
}

// ---------------------------------------------------------------- probe

bool OnboardingWindow::probeInputMonitoring() {
    if (inputMonitoringProbeGranted_) return true;
    if (probeTimedOutAt_ && Clock::monotonicNow() - *probeTimedOutAt_ < kProbeRetryAfterTimeout) return false;
    const QString executable = services_.executablePath ? services_.executablePath() : QString();
    if (executable.isEmpty() || !services_.runProcess) return false;

    return takeProbeRun(services_.runProcess(executable, {kProbeSwitch}, kProbeTimeout));
}

void OnboardingWindow::probeInputMonitoringInBackground(std::function<void(bool granted)> answered) {
    std::weak_ptr<bool> alive = alive_;
    const auto answerNow = [alive, &answered](bool granted) {
        MainQueue::post([alive, answered = std::move(answered), granted] {
            const auto token = alive.lock();
            if (token && *token && answered) answered(granted);
        });
    };
    if (!probeWaiters_.empty()) {
        probeWaiters_.push_back(std::move(answered));
        return;
    }
    if (inputMonitoringProbeGranted_) return answerNow(true);
    if (probeTimedOutAt_ && Clock::monotonicNow() - *probeTimedOutAt_ < kProbeRetryAfterTimeout)
        return answerNow(false);
    const QString executable = services_.executablePath ? services_.executablePath() : QString();
    if (executable.isEmpty() || !services_.runProcess) return answerNow(false);

    probeWaiters_.push_back(std::move(answered));
    if (!probeQueue_) probeQueue_ = std::make_unique<SerialQueue>(QStringLiteral("input-monitoring-probe"));
    // The worker gets plain values only; the answer hops back to the main queue.
    probeQueue_->post([this, alive, run = services_.runProcess, executable] {
        const ProcessRun outcome = run(executable, {kProbeSwitch}, kProbeTimeout);
        MainQueue::post([this, alive, outcome] {
            const auto token = alive.lock();
            if (!token || !*token) return;
            const bool granted = takeProbeRun(outcome);
            std::vector<std::function<void(bool)>> waiters;
            waiters.swap(probeWaiters_);
            for (const auto& waiter : waiters)
                if (waiter) waiter(granted);
        });
    });
}

bool OnboardingWindow::takeProbeRun(const ProcessRun& run) {
    switch (run.outcome) {
    case ProcessRun::Outcome::notStarted:
        return false;  // the last answer stands
    case ProcessRun::Outcome::timedOut:
        probeTimedOutAt_ = Clock::monotonicNow();
        AppLog::write(QStringLiteral("権限: 入力監視の確認が時間内に終わらなかった"));
        inputMonitoringProbeGranted_ = false;
        return false;
    case ProcessRun::Outcome::crashed:
        inputMonitoringProbeGranted_ = false;
        return false;
    case ProcessRun::Outcome::exited:
        probeTimedOutAt_.reset();
        inputMonitoringProbeGranted_ = run.exitStatus == 0;
        return inputMonitoringProbeGranted_;
    }
    return false;
}

QString OnboardingWindow::applicationExecutable() {
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
}

OnboardingWindow::ProcessRun OnboardingWindow::runChildProcess(const QString& program, const QStringList& arguments,
                                                               double timeoutSeconds) {
    const QDeadlineTimer deadline(qint64(std::ceil(std::max(0.0, timeoutSeconds) * 1000.0)));
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(int(std::max<qint64>(1, deadline.remainingTime())))) {
        // A program that does not exist fails at once; one still starting is put down.
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(1000);
            return {ProcessRun::Outcome::timedOut, -1};
        }
        return {ProcessRun::Outcome::notStarted, -1};
    }
    if (!process.waitForFinished(int(std::max<qint64>(1, deadline.remainingTime())))) {
        process.kill();
        process.waitForFinished(1000);
        return {ProcessRun::Outcome::timedOut, -1};
    }
    if (process.exitStatus() == QProcess::CrashExit) return {ProcessRun::Outcome::crashed, -1};
    return {ProcessRun::Outcome::exited, process.exitCode()};
}

// ---------------------------------------------------------------- the desktop's settings

std::optional<OnboardingWindow::Command> OnboardingWindow::settingsCommand(Step step) {
    if (step != Step::microphone) return std::nullopt;
    // pavucontrol's fourth tab lists the input devices.
    const Command candidates[] = {
        {QStringLiteral("pavucontrol"), {QStringLiteral("--tab=4")}},
        {QStringLiteral("gnome-control-center"), {QStringLiteral("sound")}},
    };
    for (const Command& candidate : candidates) {
        const QString path = QStandardPaths::findExecutable(candidate.program);
        if (!path.isEmpty()) return Command{path, candidate.arguments};
    }
    return std::nullopt;
}

void OnboardingWindow::openDesktopSettings(Step step) {
    const std::optional<Command> command = settingsCommand(step);
    if (command && QProcess::startDetached(command->program, command->arguments)) {
        AppLog::write(QStringLiteral("権限: 設定を開いた: ") + command->program);
        return;
    }
    AppLog::write(QStringLiteral("権限: ") + displayName(step) + QStringLiteral("の設定画面はこのデスクトップにない"));
}
