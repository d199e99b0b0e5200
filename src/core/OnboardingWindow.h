#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Permissions;
class SerialQueue;
class SpeechRecognizerProvider;
enum class PermissionState;

// The four permissions the application depends on, the rule by which each counts as granted, and
// the request that asks the user for one. The onboarding's permission screen, its launch decision
// and the settings' permission rows all use exactly this rule, and they poll it (the onboarding
// every kPollInterval) rather than waiting for a request to report back.
//
// This desktop asks nobody for consent: the microphone, key access and key watching are granted
// when the facility behind them works (see Permissions), and speech recognition when the
// on-device model is installed. Input monitoring has one more way to count as granted: a fresh
// child of the application itself, started with "--probe-input-monitoring", answers whether it
// can watch keys (exit status 0). A granted answer is kept for the rest of the process's life; a
// negative one is asked again at the next check. A window that must not wait for that child (it
// may take kProbeTimeout) reads the answer known now (isGrantedNow) and has the probe run on a
// worker thread (probeInputMonitoringInBackground).
//
// One object per process, owned by the application and handed to the onboarding and the settings.
// Main thread only.
class OnboardingWindow {
public:
    enum class Step { microphone, speech, accessibility, inputMonitoring };
    // Every step, in the order of the rows of every permissions screen.
    static constexpr std::array<Step, 4> allCases{Step::microphone, Step::speech, Step::accessibility,
                                                  Step::inputMonitoring};

    // How often the onboarding's permission screen asks again.
    static constexpr double kPollInterval = 2.0;
    // The probe's child has this long to answer; then it is killed and the answer is "no".
    static constexpr double kProbeTimeout = 3.0;
    // After a child that did not answer in time, checks answer "no" without a new child for this
    // long, so a poll every few seconds cannot keep the main thread blocked.
    static constexpr double kProbeRetryAfterTimeout = 60.0;

    // How a child process ended.
    struct ProcessRun {
        enum class Outcome { exited, notStarted, timedOut, crashed };
        Outcome outcome = Outcome::notStarted;
        int exitStatus = -1;  // only for `exited`
    };
    // Runs the program with the arguments and waits for it at most `timeoutSeconds` (a child
    // still running then is killed). Blocks the calling thread.
    using RunProcess = std::function<ProcessRun(const QString& program, const QStringList& arguments,
                                                double timeoutSeconds)>;

    struct Services {
        Permissions& permissions;
        // Speech recognition counts as granted when this answers `Authorized` (the model is there).
        SpeechRecognizerProvider& speech;
        // The application's own executable, the probe's child; empty: no probe.
        std::function<QString()> executablePath = &OnboardingWindow::applicationExecutable;
        RunProcess runProcess = &OnboardingWindow::runChildProcess;
        // Where the user goes to change a permission (the desktop's settings for it).
        std::function<void(Step)> openSettings = &OnboardingWindow::openDesktopSettings;
        // Whether the desktop has such settings for the step.
        std::function<bool(Step)> hasSettings = [](Step step) { return settingsCommand(step).has_value(); };
    };

    explicit OnboardingWindow(Services services);
    ~OnboardingWindow();

    OnboardingWindow(const OnboardingWindow&) = delete;
    OnboardingWindow& operator=(const OnboardingWindow&) = delete;

    // The check rule.
    bool isGranted(Step step);
    // Whether asking for the step can send the user anywhere (a settings program of the desktop).
    bool opensSettings(Step step) const { return services_.hasSettings && services_.hasSettings(step); }
    // Asks the desktop again now rather than from what it answered lately; `answered` runs on the
    // main queue once the fresh answers are there (not when this object is gone by then).
    void checkAgain(std::function<void()> answered);

    // Asks for one permission. Nothing here shows a consent prompt: a microphone whose first
    // check is still running is asked again on the main queue, which logs the answer and then
    // calls `completion` (also an undetermined speech permission calls it there); every other
    // case sends the user to the desktop's settings for the permission and never calls it.
    void request(Step step, std::function<void()> completion);

    // Starts the application's own executable with "--probe-input-monitoring" and reports whether
    // that fresh process may watch keys. Blocks at most kProbeTimeout.
    bool probeInputMonitoring();
    // The last probe's answer (false until a probe said yes).
    bool inputMonitoringProbeGranted() const { return inputMonitoringProbeGranted_; }

    // The check rule from what is known now, never starting a child: input monitoring counts as
    // granted when the desktop grants it or a probe said yes.
    bool isGrantedNow(Step step);
    // The probe without blocking: the child is started and waited for on a worker thread, and
    // `answered` runs on the main queue with its answer (not when this object is gone by then).
    // Calls while a probe runs wait for that one; with a yes already known, or while a child that
    // did not answer in time holds new ones back, `answered` is posted with the known answer
    // without a child.
    void probeInputMonitoringInBackground(std::function<void(bool granted)> answered);
    // Whether a background probe's child is running (or its answer is on its way).
    bool probeInBackgroundRunning() const { return !probeWaiters_.empty(); }

    // ---- the pieces
    static const QString kProbeSwitch;  // "--probe-input-monitoring"
    // The permission's name in the user's words ("マイク", "音声認識", …).
    static QString displayName(Step step);
    // What this desktop lacks while the step is not granted, in the user's words: the sound
    // server or its microphone, the speech model's package, the X server's key extensions.
    static QString missingText(Step step);
    // The number the log gives a permission state: 0 not determined, 1 restricted, 2 denied,
    // 3 granted.
    static int authorizationNumber(PermissionState state);
    // QCoreApplication::applicationFilePath(), empty without an application object.
    static QString applicationExecutable();
    // The real child process (QProcess; its input and output go nowhere).
    static ProcessRun runChildProcess(const QString& program, const QStringList& arguments, double timeoutSeconds);
    // A settings program of this desktop that handles the step, found on PATH: the sound settings
    // for the microphone (pavucontrol's input devices, else GNOME's sound panel). Nothing for the
    // other steps: key access is a feature of the X server and the speech model is a package, so
    // no settings page grants them.
    struct Command {
        QString program;
        QStringList arguments;
    };
    static std::optional<Command> settingsCommand(Step step);
    // Starts settingsCommand(step) detached and logs it, or logs that there is nothing to open.
    static void openDesktopSettings(Step step);

private:
    // Takes in a probe's outcome and returns the answer.
    bool takeProbeRun(const ProcessRun& run);

    Services services_;
    bool inputMonitoringProbeGranted_ = false;
    std::vector<std::function<void(bool)>> probeWaiters_;
    // The background probes' thread; going away, it waits for a running child (at most kProbeTimeout).
    std::unique_ptr<SerialQueue> probeQueue_;
    std::optional<double> probeTimedOutAt_;  // monotonic
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
