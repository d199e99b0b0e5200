#pragma once

#include "platform/MainQueue.h"
#include "platform/Workspace.h"
#include "recognition/Transcriber.h"
#include "textio/ContextCapture.h"

#include <QByteArray>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class ContextCapture;
class CorrectionBar;
class GestureSelect;
class HotKeyMonitor;
class InputSources;
class LocalRecognizer;
class Recorder;
class RecordingHUD;
class SelectionCopier;
class SpeechStream;
class Sounds;
class StatusFile;
class TextInserter;
class TimePitch;

// The push-to-talk loop: from a press of the trigger key to a recording, from the recording to
// the on-device recogniser, the service or both, and from the chosen text to the application the
// user was typing in. Everything here runs on the main queue.
//
// Every recording gets a generation number. Steps that run later (the hold confirmation, the tail
// timer, a context capture) carry the generation of their recording and do nothing for another
// one, so a press during the previous recording's tail can never merge two recordings.
//
// A stopped recording becomes a send, which keeps what belongs to it (the application it goes
// to, its badge) while the next recording runs. Sends overlap when the trigger is pressed during
// a tail; each gets its own result, and the results reach the user in the order of the
// recordings. The on-device recogniser has one run slot, so local passes run one at a time.
class DictationController {
public:
    // The pieces of the application the controller drives; all must outlive it.
    struct Services {
        HotKeyMonitor& monitor;
        Recorder& recorder;
        GestureSelect& gesture;
        InputSources& inputSources;
        Sounds& sounds;
        TimePitch& timePitch;
        LocalRecognizer& local;
        Transcriber& transcriber;
        ContextCapture& context;
        TextInserter& inserter;
        Workspace& workspace;
        RecordingHUD& hud;
        CorrectionBar& correctionBar;
        StatusFile& statusFile;
        SelectionCopier& selectionCopier;
    };

    // What the controller asks of the shell around it (status item, permissions, screenshots).
    struct Shell {
        std::function<void()> updateStatusIcon;
        std::function<void()> rebuildStatusMenu;
        std::function<void()> cancelMenuTracking;
        std::function<void(const QString&)> setStatusToolTip;
        // Whether the desktop lets us watch and send keys, and how to ask the user for it.
        std::function<bool()> isAccessibilityTrusted;
        std::function<void()> promptAccessibility;
        std::function<void(const QString&)> openURL;
        std::function<void()> pasteScreenshot;
    };

    static constexpr double kPermissionPollInterval = 1.0;
    static constexpr double kReactivationWait = 0.15;
    static constexpr double kShortPressSeconds = 1.0;
    static constexpr double kShortPressTail = 0.5;
    static constexpr double kLowTail = 0.45;
    static constexpr double kTail = 0.25;
    static constexpr int kLowFirstMaxCharacters = 25;
    static constexpr double kQuietFailureSeconds = 3.0;

    DictationController(Services services, Shell shell);
    ~DictationController();
    DictationController(const DictationController&) = delete;
    DictationController& operator=(const DictationController&) = delete;

    // ---- monitoring and the permission poll
    void startMonitoring();
    void requestAccessibility();
    void startPermissionPoll();
    void openAccessibilitySettings();
    // Where openAccessibilitySettings sends the user.
    static const QString kAccessibilitySettingsURL;
    bool isPolling() const { return permissionTimer_ != 0; }

    // ---- key, recorder and flick callbacks (wired by startMonitoring; public for tests)
    void triggerDown();
    void triggerUp();
    void triggerComboCancel();
    void recordingLimitReached();
    // The recorder lost the microphone mid-way: the user is told, and what was heard is sent.
    void recordingLost();
    bool arrowKeyWhileRecording(int keyCode);
    bool bulkDeleteKey();
    void screenshotPasteKey();
    void gestureStyleChanged(const std::optional<QString>& style);
    void micLevelChanged(float level);

    // ---- recording
    void startRecording(bool deferStartSound);
    void cancelRecording();
    void finishRecording();

    // ---- switching during a recording
    void switchCleanupStylePersistent(bool backward);
    void switchCleanupStyleForSend(bool backward);
    void switchQualityLevel(bool up);

    // ---- results
    static QString failureMessage(const Transcriber::Failure& failure, double seconds);
    // max(onlineFallbackSeconds, min(ceil(seconds / 10) × 1.5, 25))
    static double raceTimeout(double rawSeconds, double fallbackSeconds);

    // ---- state the shell shows
    bool isRecording() const { return isRecording_; }
    bool isBusy() const { return busySends_ > 0; }
    bool isMonitoring() const { return isMonitoring_; }
    bool isCapturingTail() const { return isCapturingTail_; }
    const std::optional<QString>& sessionStyle() const { return sessionStyle_; }
    // Makes `style` the cleanup style of the coming send only (a click on the panel's style chip
    // in session mode).
    void pickStyleForSend(const QString& style);
    quint64 generation() const { return generation_; }

    // The cleanup style of the send in progress (the status icon's badge); process-wide.
    static const std::optional<QString>& activeSendStyle();

    // The language of a local pass: spoken language "en" → English, "ja" → Japanese, otherwise
    // the keyboard's.
    bool localPassIsEnglish() const;
    static QString languageName(bool english);

private:
    struct RaceState;
    struct Send;
    using SendRef = std::shared_ptr<Send>;
    using PassDone = std::function<void(DictationController&, const std::optional<QString>&)>;
    struct LocalPass {
        quint64 send = 0;
        QByteArray wav;
        bool english = false;
        std::shared_ptr<SpeechStream> stream;
        PassDone done;
    };
    void startMonitor();    // starts the key monitor and copy-on-select, logs, rebuilds the menu
    void play(int moment);  // a Feedback::Moment
    void refreshIcon();
    void refreshMenu();
    void refreshIconAndMenu();
    void contextCaptured(const std::optional<ContextCapture::Snapshot>& snapshot, quint64 generation);
    void confirmHold(double pressedAt, quint64 generation);
    void stopAndRoute();
    void setBadge(const std::optional<QString>& style, quint64 owner);
    void localPass(const SendRef& send, const QByteArray& wav, bool english, PassDone done);
    void runNextPass();
    // Hands a send's outcome over; outcomes run in the order of the recordings.
    void complete(const SendRef& send, std::function<void(DictationController&)> outcome);
    void endSend(const SendRef& send);
    void deliverText(const SendRef& send, const QString& text);
    void showFailure(const SendRef& send, const Transcriber::Failure& failure, double seconds);

    void lowOnlyResult(const SendRef& send, const std::optional<QString>& text, bool english, double rawSec,
                       const QString& style, const std::optional<ContextCapture::Snapshot>& snapshot, const QByteArray& wav);
    void lowRetryResult(const SendRef& send, const std::optional<QString>& text, bool english, double rawSec,
                        const QString& style, const std::optional<ContextCapture::Snapshot>& snapshot, bool firstEnglish);
    void cleanupLowResult(const SendRef& send, const QString& text, const QString& style,
                          const std::optional<ContextCapture::Snapshot>& snapshot);
    void lowCleanupResult(const SendRef& send, const Transcriber::Result& result, const QString& rawText);
    void lowFirstResult(const SendRef& send, const std::optional<QString>& text, const QByteArray& cloudWav,
                        const QByteArray& wav, const QString& style, const std::optional<ContextCapture::Snapshot>& snapshot,
                        double rawSec);
    void runOnlineRace(const SendRef& send, const QByteArray& cloudWav, const QByteArray& wav, const QString& style,
                       const std::optional<ContextCapture::Snapshot>& snapshot, double rawSec);
    void raceLowResult(const std::optional<QString>& text, const std::shared_ptr<RaceState>& race, double start);
    void raceOnlineResult(const Transcriber::Result& result, const std::shared_ptr<RaceState>& race, double start);
    void settleRace(const std::shared_ptr<RaceState>& race, double start, const QString& source);
    void raceTimeoutFired(const std::shared_ptr<RaceState>& race, double timeout);

    // `done` runs once the text is pasted or left on the clipboard.
    void insertIntoTarget(const std::optional<RunningApplication>& target, const QString& text,
                          std::function<void()> done);
    void insertAfterReactivation(const RunningApplication& target, const QString& text, std::function<void()> done);
    void leaveOnClipboard(const QString& text);

    // Runs `fn` later on the main queue while this controller exists.
    void later(std::function<void(DictationController&)> fn);
    MainQueue::TimerId afterSeconds(double seconds, std::function<void(DictationController&)> fn);

    Services s_;
    Shell shell_;
    std::shared_ptr<DictationController*> alive_;

    // press and recording state
    std::optional<double> pressedAt_;      // monotonic seconds of the pending hold-mode press
    bool isRecording_ = false;
    std::optional<RunningApplication> recordingTargetApp_;
    std::optional<ContextCapture::Snapshot> capturedContext_;
    quint64 generation_ = 0;               // also the token of the context capture
    int busySends_ = 0;
    std::deque<SendRef> sends_;            // sends without an outcome delivered yet, oldest first
    std::deque<LocalPass> passes_;         // local passes waiting for the recogniser, oldest send first
    bool passRunning_ = false;
    quint64 badgeOwner_ = 0;               // the recording or send whose style the badge shows
    bool isMonitoring_ = false;
    bool monitorFailed_ = false;  // the last start of the monitor failed
    std::optional<QString> sessionStyle_;
    std::optional<double> recordStartedAt_;
    bool isCapturingTail_ = false;
    bool routeLowOnFinish_ = false;
    std::shared_ptr<SpeechStream> liveStream_;  // the recording's audio, heard while it is recorded
    bool liveStreamEnglish_ = false;
    MainQueue::TimerId tailTimer_ = 0;
    MainQueue::TimerId holdTimer_ = 0;
    MainQueue::TimerId permissionTimer_ = 0;
    float micPulse_ = 0;
};
