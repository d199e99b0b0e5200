#include "dictation/DictationController.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/OnboardingWindow.h"
#include "core/StatusFile.h"
#include "core/StyleBadge.h"
#include "core/Toast.h"
#include "dictation/Feedback.h"
#include "dictation/GestureSelect.h"
#include "dictation/HotKeyMonitor.h"
#include "dictation/InputSources.h"
#include "dictation/Recorder.h"
#include "core/RecordingFormat.h"
#include "dictation/RecordingHUD.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/SpeechRecognizer.h"
#include "core/Graphemes.h"
#include "recognition/LocalRecognizer.h"
#include "textio/CorrectionBar.h"
#include "textio/SelectionCopier.h"
#include "textio/TextInserter.h"

#include <cmath>
#include <utility>

namespace {

std::optional<QString> gActiveSendStyle;


QString f1(double v) { return QString::asprintf("%.1f", v); }
QString f2(double v) { return QString::asprintf("%.2f", v); }

// The trimmed text, or nothing when it is empty.
std::optional<QString> trimmedOrNone(const std::optional<QString>& text) {
    if (!text) return std::nullopt;
    const QString t = text->trimmed();
    if (t.isEmpty()) return std::nullopt;
    return t;
}

QString describe(const Transcriber::Failure& failure) {
    switch (failure.kind()) {
    case Transcriber::Failure::Kind::Message:
        return failure.text();
    case Transcriber::Failure::Kind::ModelMissing:
        return QStringLiteral("端末内モデルなし(") + failure.text() + QLatin1Char(')');
    case Transcriber::Failure::Kind::NoSpeech:
        break;
    }
    return QStringLiteral("音声なし");
}

bool isLowWithoutCredential() {
    return AppPrefs::qualityLevel() == QLatin1String("low") && !AppPrefs::hasServiceCredential();
}

bool isSessionMode() { return AppPrefs::modeSelectStyle() == QLatin1String("session"); }

}  // namespace

const QString DictationController::kAccessibilitySettingsURL =
    QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility");

// A stopped recording on its way to the user.
struct DictationController::Send {
    quint64 id = 0;  // the generation of its recording
    std::optional<RunningApplication> target;
    std::shared_ptr<SpeechStream> stream;  // for its first local pass in the language it was heard in
    bool streamEnglish = false;
    std::function<void(DictationController&)> outcome;  // set once its result is known
};

// One online/local race; shared by the two result handlers and the timer.
struct DictationController::RaceState {
    SendRef send;
    bool settled = false;
    bool lowDone = false;
    bool onlineDone = false;
    std::optional<QString> lowText;
    std::optional<QString> onlineText;
    std::optional<Transcriber::Failure> onlineError;
    double heldSeconds = 0;
    bool settledByTimeout = false;
};

const std::optional<QString>& DictationController::activeSendStyle() { return gActiveSendStyle; }

DictationController::DictationController(Services services, Shell shell)
    : s_(services), shell_(std::move(shell)), alive_(std::make_shared<DictationController*>(this)) {}

DictationController::~DictationController() {
    *alive_ = nullptr;
    for (const SendRef& send : sends_) send->outcome = nullptr;  // each holds its own send
    MainQueue::cancel(tailTimer_);
    MainQueue::cancel(holdTimer_);
    MainQueue::cancel(permissionTimer_);
    s_.monitor.onPress = nullptr;
    s_.monitor.onRelease = nullptr;
    s_.monitor.onCombo = nullptr;
    s_.monitor.onArrowKey = nullptr;
    s_.monitor.onBulkDelete = nullptr;
    s_.monitor.onScreenshotPaste = nullptr;
    s_.recorder.onReachedLimit = nullptr;
    s_.recorder.onLost = nullptr;
    s_.recorder.onLevel = nullptr;
    s_.gesture.onChange = nullptr;
}

void DictationController::later(std::function<void(DictationController&)> fn) {
    std::weak_ptr<DictationController*> weak = alive_;
    MainQueue::post([weak, fn = std::move(fn)] {
        if (auto alive = weak.lock(); alive && *alive) fn(**alive);
    });
}

MainQueue::TimerId DictationController::afterSeconds(double seconds, std::function<void(DictationController&)> fn) {
    std::weak_ptr<DictationController*> weak = alive_;
    return MainQueue::after(seconds, [weak, fn = std::move(fn)] {
        if (auto alive = weak.lock(); alive && *alive) fn(**alive);
    });
}

void DictationController::play(int moment) { Feedback::play(static_cast<Feedback::Moment>(moment), s_.sounds); }

void DictationController::refreshIcon() {
    if (shell_.updateStatusIcon) shell_.updateStatusIcon();
}
void DictationController::refreshMenu() {
    if (shell_.rebuildStatusMenu) shell_.rebuildStatusMenu();
}
void DictationController::refreshIconAndMenu() {
    refreshIcon();
    refreshMenu();
}

bool DictationController::localPassIsEnglish() const {
    const QString spoken = AppPrefs::spokenLanguage();
    if (spoken == QLatin1String("en")) return true;
    if (spoken == QLatin1String("ja")) return false;
    return s_.inputSources.currentKeyboardLanguage() == InputSources::kEnglish;
}

QString DictationController::languageName(bool english) {
    return english ? QStringLiteral("英語") : QStringLiteral("日本語");
}

// ---------------------------------------------------------------------------------------------
// Monitoring and the Accessibility poll

void DictationController::startMonitoring() {
    using Self = DictationController;
    std::weak_ptr<Self*> weak = alive_;
    auto bind = [weak](void (Self::*method)()) {
        return [weak, method] {
            if (auto alive = weak.lock(); alive && *alive) ((**alive).*method)();
        };
    };
    s_.monitor.onPress = bind(&Self::triggerDown);
    s_.monitor.onRelease = bind(&Self::triggerUp);
    s_.monitor.onCombo = bind(&Self::triggerComboCancel);
    s_.recorder.onReachedLimit = bind(&Self::recordingLimitReached);
    s_.recorder.onLost = bind(&Self::recordingLost);
    s_.monitor.onArrowKey = [weak](int keyCode) {
        auto alive = weak.lock();
        return alive && *alive ? (**alive).arrowKeyWhileRecording(keyCode) : false;
    };
    s_.monitor.onBulkDelete = [weak] {
        auto alive = weak.lock();
        return alive && *alive ? (**alive).bulkDeleteKey() : false;
    };
    s_.monitor.onScreenshotPaste = bind(&Self::screenshotPasteKey);
    s_.gesture.onChange = [weak](const std::optional<QString>& style) {
        if (auto alive = weak.lock(); alive && *alive) (**alive).gestureStyleChanged(style);
    };

    if (shell_.isAccessibilityTrusted && !shell_.isAccessibilityTrusted()) {
        // Said once: the poll then waits quietly for what is missing.
        AppLog::write(QStringLiteral("キー操作の許可がないので、そろうまで見張りを待つ（") +
                      OnboardingWindow::missingText(OnboardingWindow::Step::accessibility) + QStringLiteral("）"));
        requestAccessibility();
        return;
    }
    startMonitor();
}

void DictationController::startMonitor() {
    // Monitoring counts as running only when the monitor really started; otherwise the menu
    // keeps asking for the permission.
    isMonitoring_ = s_.monitor.start();
    // A retry of the permission poll that fails again has nothing new to log or set up.
    const bool failedAgain = !isMonitoring_ && monitorFailed_;
    monitorFailed_ = !isMonitoring_;
    if (failedAgain) return;
    AppLog::write(QStringLiteral("見張り開始: ") + (isMonitoring_ ? QStringLiteral("成功") : QStringLiteral("失敗")) +
                  QStringLiteral(" / キー=") + AppPrefs::triggerKeyName());
    if (AppPrefs::copyOnSelectMode() == QLatin1String("off"))
        s_.selectionCopier.stop();
    else
        s_.selectionCopier.start();
    refreshMenu();
}

void DictationController::requestAccessibility() {
    if (shell_.promptAccessibility) shell_.promptAccessibility();
    if (shell_.openURL) shell_.openURL(kAccessibilitySettingsURL);
    startPermissionPoll();
}

void DictationController::startPermissionPoll() {
    MainQueue::cancel(permissionTimer_);
    std::weak_ptr<DictationController*> weak = alive_;
    permissionTimer_ = MainQueue::every(kPermissionPollInterval, [weak] {
        auto alive = weak.lock();
        if (!alive || !*alive) return;
        DictationController& self = **alive;
        if (self.shell_.isAccessibilityTrusted && !self.shell_.isAccessibilityTrusted()) return;
        self.startMonitor();
        // A monitor that cannot start yet (the display refused the keys) is tried again on the
        // next tick: the user granted the permission and expects the key to work without a restart.
        if (!self.isMonitoring_) return;
        MainQueue::cancel(self.permissionTimer_);
        Feedback::play(Feedback::Moment::start, self.s_.sounds);
    });
}

void DictationController::openAccessibilitySettings() {
    if (shell_.openURL) shell_.openURL(kAccessibilitySettingsURL);
}

// ---------------------------------------------------------------------------------------------
// Key and recorder callbacks

void DictationController::triggerDown() {
    if (isBusy()) return;
    if (!AppPrefs::holdToTalk()) {
        if (isRecording_)
            finishRecording();
        else
            startRecording(false);
        return;
    }
    if (isCapturingTail_) {
        // The previous recording is still capturing its tail: send it now, then start afresh.
        MainQueue::cancel(tailTimer_);
        stopAndRoute();
        if (isBusy() && !isRecording_) {
            // Presses while busy are ignored: but this press came before the previous recording
            // was sent, so it starts the next one.
        }
    }
    const double now = Clock::monotonicNow();
    pressedAt_ = now;
    const double threshold = AppPrefs::holdThreshold();
    startRecording(threshold > 0);
    if (threshold > 0 && isRecording_) {
        const quint64 generation = generation_;
        MainQueue::cancel(holdTimer_);
        holdTimer_ = afterSeconds(threshold, [now, generation](DictationController& self) {
            self.holdTimer_ = 0;
            self.confirmHold(now, generation);
        });
    }
}

void DictationController::triggerUp() {
    if (!AppPrefs::holdToTalk()) return;
    if (!pressedAt_) {
        // No press is pending: the recording already finishes by itself (length limit) or the
        // press belonged to nothing we started. A release must not throw that recording away.
        return;
    }
    const double held = Clock::monotonicNow() - *pressedAt_;
    pressedAt_.reset();
    if (!isRecording_ || isCapturingTail_) return;
    if (held < AppPrefs::holdThreshold()) {
        AppLog::write(QString::asprintf("%.2f", held) + QStringLiteral("秒で離されたので誤爆として捨てる"));
        cancelRecording();
        return;
    }
    finishRecording();
}

void DictationController::triggerComboCancel() {
    if (!AppPrefs::holdToTalk() || !isRecording_) return;
    AppLog::write(QStringLiteral("起動キー＋別キーの組み合わせなので録音を取り消す"));
    pressedAt_.reset();
    cancelRecording();
}

void DictationController::recordingLimitReached() {
    if (!isRecording_) return;
    pressedAt_.reset();
    if (isCapturingTail_) return;  // already finishing: runs once per recording
    finishRecording();
}

void DictationController::recordingLost() {
    if (!isRecording_) return;
    const QString message = QStringLiteral(
        "録音中にマイクが使えなくなりました。サウンドサーバーが動いているか、マイクがつながっているかを確かめてください");
    Toast::show(message, std::nullopt, 4.0);
    s_.statusFile.noteAPIError(message);
    // Nothing more will be heard: what was is sent now, without a tail, and the release of the
    // trigger has nothing left to end.
    pressedAt_.reset();
    stopAndRoute();
}

bool DictationController::arrowKeyWhileRecording(int keyCode) {
    if (!isRecording_) return false;
    if (keyCode == 123 || keyCode == 124) {
        if (isLowWithoutCredential()) return false;
        const bool backward = keyCode == 123;
        if (isSessionMode())
            later([backward](DictationController& self) { self.switchCleanupStyleForSend(backward); });
        else
            later([backward](DictationController& self) { self.switchCleanupStylePersistent(backward); });
        return true;
    }
    if (keyCode == 125 || keyCode == 126) {
        const bool up = keyCode == 126;
        later([up](DictationController& self) { self.switchQualityLevel(up); });
        return true;
    }
    return false;
}

bool DictationController::bulkDeleteKey() {
    const bool handled = s_.inserter.clearField();
    if (!handled) AppLog::write(QStringLiteral("入力欄を空にする: OS へ渡した"));
    return handled;
}

void DictationController::screenshotPasteKey() {
    if (shell_.pasteScreenshot) MainQueue::post(shell_.pasteScreenshot);
}

void DictationController::pickStyleForSend(const QString& style) {
    sessionStyle_ = style;
    setBadge(style, generation_);
}

void DictationController::setBadge(const std::optional<QString>& style, quint64 owner) {
    gActiveSendStyle = style;
    badgeOwner_ = owner;
}

void DictationController::gestureStyleChanged(const std::optional<QString>& style) {
    if (AppPrefs::qualityLevel() == QLatin1String("low") && !AppPrefs::lowMayUseCleanup()) return;
    if (!isSessionMode()) return;
    sessionStyle_ = style;
    setBadge(style, generation_);
    refreshIcon();
    if (s_.hud.exists()) s_.hud.update();
}

void DictationController::micLevelChanged(float level) {
    if (!s_.hud.hasMicPulse()) return;
    const float v = std::isnan(level) ? 0.0f : std::clamp(level, 0.0f, 1.0f);
    micPulse_ = std::max(v, micPulse_ * 0.82f);
    s_.hud.setMicPulse(micPulse_);
}

// ---------------------------------------------------------------------------------------------
// Start, hold confirmation, cancel

void DictationController::startRecording(bool deferStartSound) {
    if (shell_.cancelMenuTracking) shell_.cancelMenuTracking();
    isCapturingTail_ = false;
    routeLowOnFinish_ = false;
    sessionStyle_.reset();
    setBadge(std::nullopt, generation_ + 1);
    AppLog::write(QStringLiteral("録音を開始しようとしている (Quality=") + AppPrefs::qualityLevelLabel() + QLatin1Char(')'));

    const QString spoken = AppPrefs::spokenLanguage();
    if (spoken == QLatin1String("ja"))
        s_.inputSources.switchInputSource(InputSources::kJapanese);
    else if (spoken == QLatin1String("en"))
        s_.inputSources.switchInputSource(InputSources::kEnglish);

    const double t0 = Clock::monotonicNow();
    s_.recorder.onPCMChunk = nullptr;
    s_.local.cancelPending();
    s_.local.prepare();
    // The audio goes to the on-device recogniser while it is recorded: after the release only the
    // end is left to recognise.
    liveStreamEnglish_ = localPassIsEnglish();
    liveStream_ = s_.local.startStream(liveStreamEnglish_);
    if (liveStream_)
        s_.recorder.onPCMChunk = [stream = liveStream_](const QByteArray& chunk) { stream->append(chunk); };
    if (!s_.recorder.start()) {
        s_.recorder.onPCMChunk = nullptr;
        liveStream_.reset();
        AppLog::write(QStringLiteral("録音を開始できない（マイクの許可か機器の問題）"));
        // Without a sound server the failure sound is silent too: the toast is what the user sees.
        const QString message =
            QStringLiteral("マイクを開けませんでした。サウンドサーバーが動いているか、マイクがつながっているかを確かめてください");
        Toast::show(message, std::nullopt, 4.0);
        // Like every failure the user is shown, it goes into the status file.
        s_.statusFile.noteAPIError(message);
        play(static_cast<int>(Feedback::Moment::failure));
        pressedAt_.reset();
        return;
    }
    isRecording_ = true;
    s_.monitor.setRecordingActive(true);
    micPulse_ = 0;
    s_.hud.show();
    std::weak_ptr<DictationController*> weak = alive_;
    s_.recorder.onLevel = [weak](float level) {
        if (auto alive = weak.lock(); alive && *alive) (**alive).micLevelChanged(level);
    };

    recordStartedAt_ = Clock::monotonicNow();
    recordingTargetApp_ = s_.workspace.frontmostApplication();
    capturedContext_.reset();
    ++generation_;
    if (AppPrefs::hasServiceCredential() && recordingTargetApp_ && recordingTargetApp_->pid > 0) {
        const quint64 generation = generation_;
        s_.context.capture(recordingTargetApp_->pid, [weak, generation](std::optional<ContextCapture::Snapshot> snapshot) {
            MainQueue::post([weak, generation, snapshot] {
                if (auto alive = weak.lock(); alive && *alive) (**alive).contextCaptured(snapshot, generation);
            });
        });
    }
    AppLog::write(QStringLiteral("録音中（マイク起動 ") + QString::asprintf("%.0f", (Clock::monotonicNow() - t0) * 1000) +
                  QStringLiteral("ms）"));

    const bool serviceMayBeUsed = AppPrefs::qualityLevel() != QLatin1String("low") || AppPrefs::lowMayUseCleanup();
    if (serviceMayBeUsed) {
        if (AppPrefs::holdToTalk() && isSessionMode()) s_.gesture.start();
        s_.transcriber.ping();
    }
    if (!deferStartSound) {
        play(static_cast<int>(Feedback::Moment::start));
        refreshIcon();
    }
    refreshMenu();
}

void DictationController::confirmHold(double pressedAt, quint64 generation) {
    if (generation != generation_ || !isRecording_ || isCapturingTail_) return;
    if (!pressedAt_ || *pressedAt_ != pressedAt) return;
    play(static_cast<int>(Feedback::Moment::start));
    refreshIcon();
}

void DictationController::contextCaptured(const std::optional<ContextCapture::Snapshot>& snapshot, quint64 generation) {
    if (generation != generation_) return;  // belongs to an earlier recording
    capturedContext_ = snapshot;
}

void DictationController::cancelRecording() {
    isCapturingTail_ = false;
    routeLowOnFinish_ = false;
    recordStartedAt_.reset();
    sessionStyle_.reset();
    MainQueue::cancel(tailTimer_);
    MainQueue::cancel(holdTimer_);
    s_.recorder.onPCMChunk = nullptr;
    liveStream_.reset();
    s_.local.cancelPending();
    s_.recorder.cancel();
    s_.gesture.stop();
    setBadge(std::nullopt, generation_);
    isRecording_ = false;
    s_.monitor.setRecordingActive(false);
    s_.hud.hide();
    if (isSessionMode()) AppPrefs::setCleanupMode(QStringLiteral("off"));
    refreshIconAndMenu();
}

// ---------------------------------------------------------------------------------------------
// Finishing and choosing the road

void DictationController::finishRecording() {
    if (!isRecording_) return;
    if (AppPrefs::holdToTalk() && !isCapturingTail_) {
        const double t = recordStartedAt_ ? Clock::monotonicNow() - *recordStartedAt_ : 0.0;
        recordStartedAt_.reset();
        isCapturingTail_ = true;
        double tail;
        if (t <= kShortPressSeconds) {
            routeLowOnFinish_ = true;
            tail = kShortPressTail;
            AppLog::write(QStringLiteral("短押し(") + f2(t) + QStringLiteral("秒) → +0.5秒録ってLowへ"));
        } else {
            routeLowOnFinish_ = false;
            tail = AppPrefs::qualityLevel() == QLatin1String("low") ? kLowTail : kTail;
            AppLog::write(QStringLiteral("長押し(") + f2(t) + QStringLiteral("秒) → +") + f2(tail) +
                          QStringLiteral("秒後に認識へ"));
        }
        const quint64 generation = generation_;
        MainQueue::cancel(tailTimer_);
        tailTimer_ = afterSeconds(tail, [generation](DictationController& self) {
            self.tailTimer_ = 0;
            // Only the recording that scheduled this tail is finished by it.
            if (generation == self.generation_ && self.isRecording_ && self.isCapturingTail_) self.stopAndRoute();
        });
        return;
    }
    stopAndRoute();
}

void DictationController::stopAndRoute() {
    if (!isRecording_) return;
    MainQueue::cancel(tailTimer_);
    MainQueue::cancel(holdTimer_);
    isCapturingTail_ = false;
    recordStartedAt_.reset();
    isRecording_ = false;
    s_.monitor.setRecordingActive(false);
    s_.hud.hide();

    // The gesture's pick reached sessionStyle_ through its change callback already, where it
    // counts (session mode, a level that may use cleanup); what it ignored stays ignored here.
    s_.gesture.stop();
    const QString style = AppPrefs::effectiveCleanupStyle(sessionStyle_);
    const bool session = isSessionMode();
    if (session) AppPrefs::setCleanupMode(QStringLiteral("off"));
    sessionStyle_.reset();
    setBadge(style == QLatin1String("off") ? std::nullopt : std::optional<QString>(style), generation_);

    const bool routeLow = routeLowOnFinish_;
    routeLowOnFinish_ = false;
    refreshIcon();

    const std::optional<QByteArray> recorded = s_.recorder.stop();
    s_.recorder.onPCMChunk = nullptr;
    std::shared_ptr<SpeechStream> stream = std::move(liveStream_);
    if (!recorded) {
        AppLog::write(QStringLiteral("短すぎるので送らない"));
        setBadge(std::nullopt, generation_);
        refreshIconAndMenu();
        return;
    }
    auto send = std::make_shared<Send>();
    send->id = generation_;
    send->target = recordingTargetApp_;
    send->stream = std::move(stream);
    send->streamEnglish = liveStreamEnglish_;
    sends_.push_back(send);
    const QByteArray wav = *recorded;
    const std::optional<ContextCapture::Snapshot> snapshot = capturedContext_;
    capturedContext_.reset();
    AppLog::write(QStringLiteral("送信時モード: ") + style + (session ? QStringLiteral("（一時）") : QStringLiteral("（永続）")));
    play(static_cast<int>(Feedback::Moment::stop));
    ++busySends_;
    refreshIconAndMenu();

    const double rawSec = RecordingFormat::durationSeconds(wav);
    const bool english = localPassIsEnglish();

    if (AppPrefs::qualityLevel() == QLatin1String("low")) {
        AppLog::write(QStringLiteral("Low 生認識 (") + f1(rawSec) + QStringLiteral("秒, style=") + style + QLatin1Char(')'));
        localPass(send, wav, english,
                  [send, english, rawSec, style, snapshot, wav](DictationController& self, const std::optional<QString>& text) {
                      self.lowOnlyResult(send, text, english, rawSec, style, snapshot, wav);
                  });
        return;
    }

    const QByteArray cloudWav = RecordingFormat::prepareForCloud(wav, s_.timePitch);
    const double cloudSec = RecordingFormat::durationSeconds(cloudWav);
    bool race;
    if (style != QLatin1String("off"))
        race = true;
    else if (routeLow)
        race = false;
    else if (AppPrefs::holdToTalk())
        race = true;
    else
        race = rawSec > kShortPressSeconds;

    if (race) {
        AppLog::write(QStringLiteral("オンライン優先(cloud ") + f1(cloudSec) + QStringLiteral("秒 / local生 ") + f1(rawSec) +
                      QStringLiteral("秒, style=") + style + QLatin1Char(')'));
        runOnlineRace(send, cloudWav, wav, style, snapshot, rawSec);
        return;
    }
    AppLog::write(QStringLiteral("短発話→Low優先(生 ") + f1(rawSec) + QStringLiteral("秒)"));
    localPass(send, wav, english,
              [send, cloudWav, wav, style, snapshot, rawSec](DictationController& self, const std::optional<QString>& text) {
                  self.lowFirstResult(send, text, cloudWav, wav, style, snapshot, rawSec);
              });
}

void DictationController::localPass(const SendRef& send, const QByteArray& wav, bool english, PassDone done) {
    // The oldest send goes first: a language retry of an earlier send does not wait behind a
    // later send's pass.
    auto at = std::find_if(passes_.begin(), passes_.end(), [&](const LocalPass& p) { return p.send > send->id; });
    // The stream serves the send's first pass only, and only in the language it was heard in.
    std::shared_ptr<SpeechStream> stream = std::move(send->stream);
    if (send->streamEnglish != english) stream.reset();
    passes_.insert(at, LocalPass{send->id, wav, english, std::move(stream), std::move(done)});
    runNextPass();
}

void DictationController::runNextPass() {
    if (passRunning_ || passes_.empty()) return;
    LocalPass pass = std::move(passes_.front());
    passes_.pop_front();
    passRunning_ = true;
    std::weak_ptr<DictationController*> weak = alive_;
    s_.local.transcribe(
        pass.wav, pass.english, 0.0, true,
        [weak, done = std::move(pass.done)](const std::optional<QString>& text) {
            auto alive = weak.lock();
            if (!alive || !*alive) return;
            DictationController& self = **alive;
            self.passRunning_ = false;
            done(self, text);
            self.runNextPass();
        },
        std::move(pass.stream));
}

// ---------------------------------------------------------------------------------------------
// The roads

void DictationController::lowOnlyResult(const SendRef& send, const std::optional<QString>& text, bool english,
                                        double rawSec, const QString& style,
                                        const std::optional<ContextCapture::Snapshot>& snapshot, const QByteArray& wav) {
    if (const auto t = trimmedOrNone(text)) {
        AppLog::write(QStringLiteral("Low結果(") + languageName(english) + QLatin1Char(' ') + f1(rawSec) +
                      QStringLiteral("秒): ") + Graphemes::first(*t, 40));
        cleanupLowResult(send, *t, style, snapshot);
        return;
    }
    // Without a model for the language nothing was heard at all: the other language's model would
    // only turn the speech into words of the wrong language.
    if (!s_.local.hasModel(english)) {
        AppLog::write(QStringLiteral("Low不可: ") + languageName(english) + QStringLiteral("の端末内モデルが未提供"));
        showFailure(send, Transcriber::Failure::modelMissing(languageName(english)), rawSec);
        return;
    }
    AppLog::write(QStringLiteral("Low: ") + languageName(english) + QStringLiteral("で空 → ") + languageName(!english) +
                  QStringLiteral("でも試す"));
    localPass(send, wav, !english,
              [send, english, rawSec, style, snapshot](DictationController& self, const std::optional<QString>& t) {
                  self.lowRetryResult(send, t, !english, rawSec, style, snapshot, english);
              });
}

void DictationController::lowRetryResult(const SendRef& send, const std::optional<QString>& text, bool english,
                                         double rawSec, const QString& style,
                                         const std::optional<ContextCapture::Snapshot>& snapshot, bool firstEnglish) {
    if (const auto t = trimmedOrNone(text)) {
        AppLog::write(QStringLiteral("Low結果(") + languageName(english) + QLatin1Char(' ') + f1(rawSec) +
                      QStringLiteral("秒・言語切替): ") + Graphemes::first(*t, 40));
        cleanupLowResult(send, *t, style, snapshot);
        return;
    }
    if (s_.local.probe()) {
        AppLog::write(QStringLiteral("Low: 両言語とも空"));
        showFailure(send, Transcriber::Failure::noAudio(), rawSec);
    } else {
        AppLog::write(QStringLiteral("Low不可: ") + languageName(firstEnglish) + QStringLiteral("の端末内モデルが未提供"));
        showFailure(send, Transcriber::Failure::modelMissing(languageName(firstEnglish)), rawSec);
    }
}

void DictationController::cleanupLowResult(const SendRef& send, const QString& text, const QString& style,
                                           const std::optional<ContextCapture::Snapshot>& snapshot) {
    if (style == QLatin1String("off") || !AppPrefs::hasServiceCredential()) {
        deliverText(send, text);
        return;
    }
    std::weak_ptr<DictationController*> weak = alive_;
    s_.transcriber.cleanup(text, style, snapshot, [weak, send, text](const Transcriber::Result& result) {
        MainQueue::post([weak, send, text, result] {
            if (auto alive = weak.lock(); alive && *alive) (**alive).lowCleanupResult(send, result, text);
        });
    });
}

void DictationController::lowCleanupResult(const SendRef& send, const Transcriber::Result& result, const QString& rawText) {
    if (result.isSuccess()) {
        AppLog::write(QStringLiteral("Low整形結果: ") + Graphemes::first(result.text(), 40));
        deliverText(send, result.text());
        return;
    }
    AppLog::write(QStringLiteral("Low整形失敗 → 生のLowテキストを採用: ") + describe(result.failure()));
    deliverText(send, rawText);
}

void DictationController::lowFirstResult(const SendRef& send, const std::optional<QString>& text,
                                         const QByteArray& cloudWav, const QByteArray& wav, const QString& style,
                                         const std::optional<ContextCapture::Snapshot>& snapshot, double rawSec) {
    const auto t = trimmedOrNone(text);
    if (t && Graphemes::count(*t) <= kLowFirstMaxCharacters) {
        AppLog::write(QStringLiteral("Low認識で即挿入: ") + Graphemes::first(*t, 20));
        deliverText(send, *t);
        return;
    }
    AppLog::write(QStringLiteral("Low空振り → オンライン優先レースへ"));
    runOnlineRace(send, cloudWav, wav, style, snapshot, rawSec);
}

double DictationController::raceTimeout(double rawSeconds, double fallbackSeconds) {
    const double c = std::ceil(rawSeconds / 10.0);
    const double s = c <= 0 ? 0.0 : std::min(c * 1.5, 25.0);
    return std::max(fallbackSeconds, s);
}

void DictationController::runOnlineRace(const SendRef& send, const QByteArray& cloudWav, const QByteArray& wav,
                                        const QString& style, const std::optional<ContextCapture::Snapshot>& snapshot,
                                        double rawSec) {
    auto race = std::make_shared<RaceState>();
    race->send = send;
    race->heldSeconds = rawSec;
    const double timeout = raceTimeout(rawSec, AppPrefs::onlineFallbackSeconds());
    AppLog::write(QStringLiteral("オンライン待ち時間 ") + f1(timeout) + QStringLiteral("秒（音声") + f1(rawSec) +
                  QStringLiteral("秒分）"));
    const double start = Clock::monotonicNow();
    std::weak_ptr<DictationController*> weak = alive_;
    localPass(send, wav, localPassIsEnglish(), [race, start](DictationController& self, const std::optional<QString>& text) {
        self.raceLowResult(text, race, start);
    });
    s_.transcriber.transcribe(cloudWav, style, snapshot, [weak, race, start](const Transcriber::Result& result) {
        MainQueue::post([weak, race, start, result] {
            if (auto alive = weak.lock(); alive && *alive) (**alive).raceOnlineResult(result, race, start);
        });
    });
    afterSeconds(timeout, [race, timeout](DictationController& self) { self.raceTimeoutFired(race, timeout); });
}

void DictationController::raceLowResult(const std::optional<QString>& text, const std::shared_ptr<RaceState>& race,
                                        double start) {
    race->lowText = trimmedOrNone(text);
    race->lowDone = true;
    settleRace(race, start, QStringLiteral("low"));
}

void DictationController::raceOnlineResult(const Transcriber::Result& result, const std::shared_ptr<RaceState>& race,
                                           double start) {
    race->onlineDone = true;
    if (result.isSuccess()) {
        race->onlineText = trimmedOrNone(result.text());
        race->onlineError = race->onlineText ? std::nullopt : std::optional(Transcriber::Failure::noAudio());
    } else {
        race->onlineText.reset();
        race->onlineError = result.failure();
    }
    settleRace(race, start, QStringLiteral("online"));
}

void DictationController::settleRace(const std::shared_ptr<RaceState>& race, double start, const QString& source) {
    if (race->settled) {
        if (race->settledByTimeout && source == QLatin1String("online") && race->onlineText) {
            AppLog::write(QStringLiteral("Low採用後にオンライン結果が届いた（本文は書き換えずクリップボードへ）: ") +
                          Graphemes::first(*race->onlineText, 40));
            s_.inserter.copyToClipboard(*race->onlineText);
            Toast::show(QStringLiteral("正しい書き起こしが遅れて届きました。クリップボードにコピーしました"), std::nullopt, 2.5);
        }
        return;
    }
    const qint64 ms = static_cast<qint64>((Clock::monotonicNow() - start) * 1000.0);
    if (race->onlineText) {
        race->settled = true;
        AppLog::write(QStringLiteral("オンライン結果(") + QString::number(ms) + QStringLiteral("ms/") + source +
                      QStringLiteral("): ") + Graphemes::first(*race->onlineText, 40));
        deliverText(race->send, *race->onlineText);
        return;
    }
    if (!race->onlineDone) return;
    if (race->lowText) {
        race->settled = true;
        AppLog::write(QStringLiteral("オンライン失敗 → Low採用(") + QString::number(ms) + QStringLiteral("ms): ") +
                      Graphemes::first(*race->lowText, 40));
        deliverText(race->send, *race->lowText);
        return;
    }
    if (!race->lowDone) return;
    race->settled = true;
    const Transcriber::Failure failure = race->onlineError.value_or(Transcriber::Failure::noAudio());
    AppLog::write(QStringLiteral("オンラインもLowも空(") + QString::number(ms) + QStringLiteral("ms): ") + describe(failure));
    showFailure(race->send, failure, race->heldSeconds);
}

void DictationController::raceTimeoutFired(const std::shared_ptr<RaceState>& race, double timeout) {
    if (race->settled || !race->lowText) return;
    race->settled = true;
    race->settledByTimeout = true;
    AppLog::write(QStringLiteral("オンライン") + f1(timeout) + QStringLiteral("秒応答なし → Low採用: ") +
                  Graphemes::first(*race->lowText, 20));
    deliverText(race->send, *race->lowText);
}

// ---------------------------------------------------------------------------------------------
// Delivery

void DictationController::complete(const SendRef& send, std::function<void(DictationController&)> outcome) {
    send->outcome = std::move(outcome);
    while (!sends_.empty() && sends_.front()->outcome) {
        const SendRef head = sends_.front();
        sends_.pop_front();
        // Taken out before it runs: an outcome holds its own send, which would keep both alive.
        const std::function<void(DictationController&)> run = std::exchange(head->outcome, nullptr);
        run(*this);
    }
}

void DictationController::endSend(const SendRef& send) {
    if (busySends_ > 0) --busySends_;
    // The badge may show a newer recording's style by now; that one is not ours to clear.
    if (badgeOwner_ == send->id) gActiveSendStyle.reset();
    refreshIconAndMenu();
}

void DictationController::deliverText(const SendRef& send, const QString& text) {
    complete(send, [send, text](DictationController& self) {
        self.endSend(send);
        const QString corrected = AppPrefs::applyCorrections(text);
        std::weak_ptr<DictationController*> weak = self.alive_;
        // What follows runs whether the text was pasted or left on the clipboard: it was
        // recognised and delivered either way, and the correction bar and the menu's retry work
        // on the text, not on the field.
        self.insertIntoTarget(send->target, corrected, [weak, corrected] {
            auto alive = weak.lock();
            if (!alive || !*alive) return;
            DictationController& owner = **alive;
            owner.play(static_cast<int>(Feedback::Moment::success));
            owner.s_.statusFile.noteTranscribed();
            owner.s_.correctionBar.lastInsertedText = corrected;
            owner.refreshMenu();  // the menu offers the retry for this text
            if (AppPrefs::correctionBar()) owner.s_.correctionBar.show(corrected, true);
        });
    });
}

// The target is the application that was in front when the send's recording started.
void DictationController::insertIntoTarget(const std::optional<RunningApplication>& target, const QString& text,
                                           std::function<void()> done) {
    // Into our own window, or nowhere known: where the focus is now.
    if (!target || target->isSelf) {
        s_.inserter.insert(text);
        done();
        return;
    }
    if (s_.workspace.isTerminated(*target)) {
        // The application the user dictated into is gone: never paste into whatever came forward.
        leaveOnClipboard(text);
        done();
        return;
    }
    const std::optional<RunningApplication> front = s_.workspace.frontmostApplication();
    if (front && front->pid == target->pid) {
        s_.inserter.insert(text);
        done();
        return;
    }
    AppLog::write(QStringLiteral("挿入先(") + (target->name.isEmpty() ? QStringLiteral("?") : target->name) +
                  QStringLiteral(")が前面ではないので戻す"));
    s_.workspace.activate(*target);
    const RunningApplication app = *target;
    afterSeconds(kReactivationWait, [app, text, done](DictationController& self) {
        self.insertAfterReactivation(app, text, done);
    });
}

void DictationController::insertAfterReactivation(const RunningApplication& target, const QString& text,
                                                  std::function<void()> done) {
    const std::optional<RunningApplication> front = s_.workspace.frontmostApplication();
    if (front && front->pid == target.pid && !s_.workspace.isTerminated(target)) {
        s_.inserter.insert(text);
        done();
        return;
    }
    leaveOnClipboard(text);
    done();
}

void DictationController::leaveOnClipboard(const QString& text) {
    AppLog::write(QStringLiteral("挿入先へ戻せなかったのでクリップボードに残す（貼り付けはしない）"));
    s_.inserter.copyToClipboard(text);
    Toast::show(QStringLiteral("録音開始時の場所に戻れず貼り付けを中止。クリップボードに保存しました"), std::nullopt, 2.5);
}

void DictationController::showFailure(const SendRef& send, const Transcriber::Failure& failure, double seconds) {
    complete(send, [send, failure, seconds](DictationController& self) {
        self.endSend(send);
        if (failure.kind() == Transcriber::Failure::Kind::NoSpeech && seconds < kQuietFailureSeconds) return;
        self.play(static_cast<int>(Feedback::Moment::failure));
        const QString message = failureMessage(failure, seconds);
        if (self.shell_.setStatusToolTip) self.shell_.setStatusToolTip(message);
        // Every failure the user is shown is recorded, whatever its cause.
        self.s_.statusFile.noteAPIError(message);
    });
}

QString DictationController::failureMessage(const Transcriber::Failure& failure, double seconds) {
    switch (failure.kind()) {
    case Transcriber::Failure::Kind::Message:
        return failure.text();
    case Transcriber::Failure::Kind::ModelMissing: {
        // No model can be added on this desktop: the service or the other language is the way out.
        // The levels named are the ones the user can choose that go to the service.
        QStringList serviceLevels;
        for (const AppPrefs::QualityRow& row : AppPrefs::selectableQualityLevels())
            if (row.key != QLatin1String("low")) serviceLevels << row.title;
        return QStringLiteral("「") + failure.text() + QStringLiteral("」の端末内モデルが見つかりません。アウトプットの品質を ") +
               serviceLevels.join(QStringLiteral(" か ")) + QStringLiteral(" にしてサービスで書き起こ") +
               (failure.text() == languageName(false) ? QStringLiteral("すか、話す言語を英語にして英語で話してください")
                                                      : QStringLiteral("してください"));
    }
    case Transcriber::Failure::Kind::NoSpeech:
        break;
    }
    return QString::asprintf("%.0f", seconds) + QStringLiteral("秒分の音声は録れていましたが、書き起こしできませんでした");
}

// ---------------------------------------------------------------------------------------------
// Switching during a recording

void DictationController::switchCleanupStylePersistent(bool backward) {
    if (isLowWithoutCredential()) return;
    if (AppPrefs::qualityLevel() == QLatin1String("low") && !AppPrefs::lowCleanup()) {
        switchCleanupStyleForSend(backward);
        return;
    }
    const QStringList& cycle = AppPrefs::cleanupStyleChoices();
    const QString current = AppPrefs::cleanup() ? AppPrefs::cleanupStyle() : QStringLiteral("off");
    qsizetype i = cycle.indexOf(current);
    if (i < 0) i = 1;
    const qsizetype n = cycle.size();
    const QString next = cycle.at(backward ? (i + n - 1) % n : (i + 1) % n);
    AppPrefs::setCleanupMode(next);
    AppLog::write(QStringLiteral("モード切り替え（永続）: ") +
                  MenuBarIcon::styleBadge(AppPrefs::effectiveCleanupStyle(gActiveSendStyle)));
    refreshIconAndMenu();
    s_.hud.pendingFlash = backward ? RecordingHUD::Arrow::Left : RecordingHUD::Arrow::Right;
    if (s_.hud.exists()) s_.hud.update();
}

void DictationController::switchCleanupStyleForSend(bool backward) {
    if (isLowWithoutCredential()) return;
    const QStringList& cycle = AppPrefs::cleanupStyleChoices();
    qsizetype i = cycle.indexOf(AppPrefs::effectiveCleanupStyle(sessionStyle_));
    if (i < 0) i = 0;
    const qsizetype n = cycle.size();
    const QString next = cycle.at(backward ? (i + n - 1) % n : (i + 1) % n);
    sessionStyle_ = next;
    setBadge(next, generation_);
    AppLog::write(QStringLiteral("送信時モード（一時）: ") +
                  MenuBarIcon::styleBadge(AppPrefs::effectiveCleanupStyle(gActiveSendStyle)));
    refreshIcon();
    s_.hud.pendingFlash = backward ? RecordingHUD::Arrow::Left : RecordingHUD::Arrow::Right;
    if (s_.hud.exists()) s_.hud.update();
}

void DictationController::switchQualityLevel(bool up) {
    const QList<AppPrefs::QualityRow> levels = AppPrefs::selectableQualityLevels();
    if (levels.isEmpty()) return;
    AppPrefs::setQualityLevel(up ? levels.first().key : levels.last().key);
    AppLog::write(QStringLiteral("品質切り替え: ") + AppPrefs::qualityLevelLabel());
    refreshIconAndMenu();
    s_.hud.pendingFlash = up ? RecordingHUD::Arrow::Up : RecordingHUD::Arrow::Down;
    if (s_.hud.exists()) s_.hud.update();
}
