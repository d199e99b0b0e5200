#pragma once

#include "onboarding/OnboardingHost.h"
#include "platform/MainQueue.h"
#include "platform/StatusItem.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>

class Accessibility;
class AudioInput;
class ContextCapture;
class CorrectionBar;
class DictationController;
class GestureSelect;
class HotKeyMonitor;
class HttpClient;
class InputSourceService;
class InputSources;
class KeyEventSource;
class LocalRecognizer;
class LoginItem;
class ExternalConfig;
class ImageCodec;
class Pasteboard;
class PointerButtons;
class PrefsSync;
class Pointer;
class Recorder;
class RecordingHUD;
class ScreenshotFolder;
class ScreenshotPaste;
class SelectionCopier;
class Sounds;
class SpeechEngine26;
class SpeechRecognizerProvider;
class StatusFile;
class SyntheticKeys;
class SystemInfo;
class TextInserter;
class TimePitch;
class Transcriber;
class UsageReport;
class Updater;
struct SettingsActions;
class Workspace;

// The desktop facilities the application runs on; the Linux ones in the application, fakes in
// tests. All must outlive the delegate.
class Permissions;

struct Platform {
    KeyEventSource& keys;
    AudioInput& audio;
    TimePitch& timePitch;
    Sounds& sounds;
    Pointer& pointer;
    InputSourceService& inputSources;
    HttpClient& http;
    SpeechRecognizerProvider& speech;
    SpeechEngine26& engine26;
    Pasteboard& pasteboard;
    SyntheticKeys& syntheticKeys;
    Workspace& workspace;
    Accessibility& accessibility;
    LoginItem& loginItem;
    // Makes the status item (the tray icon) at launch; may return null (no panel).
    std::function<std::unique_ptr<StatusItem>()> makeStatusItem;
    // Whether we may watch and send keys.
    std::function<bool()> isAccessibilityTrusted;
    std::function<void(const QString&)> openURL;
    // Relaunches the application with the given arguments; true when the new process started.
    std::function<bool(const QStringList&)> relaunch;
    std::function<void()> quit;
    // Windows of other parts; absent ones do nothing.
    std::function<std::unique_ptr<RecordingHUD>()> makeRecordingHUD;
    std::function<std::unique_ptr<CorrectionBar>()> makeCorrectionBar;
    // Where on-device recognition does its work; absent, the process's own speech queue.
    std::function<void(std::function<void()>)> speechQueue = {};
    // What the status file reports of the permissions; absent, they read as not determined.
    Permissions* permissions = nullptr;
    // The left mouse button, for copy-on-select; absent, selections are not copied.
    PointerButtons* pointerButtons = nullptr;
    // Where screenshots are saved and how images are read; absent, the shortcut does nothing.
    ScreenshotFolder* screenshotFolder = nullptr;
    ImageCodec* imageCodec = nullptr;
    // The machine the weekly usage report names; absent, no report is sent.
    const SystemInfo* systemInfo = nullptr;
    // The first step of the launch: true when a copy moved into ~/Applications is starting and
    // this one quits; absent, the application stays where it is.
    std::function<bool()> moveToApplications = {};
    // Starts a program on its own; empty when it started, else what went wrong. Absent, an
    // accepted update cannot be installed.
    std::function<QString(const QString& program, const QStringList& arguments)> startProgram = {};
    // Whether a detached signature of a downloaded update was made with the release key; absent,
    // no update is trusted.
    std::function<bool(const QByteArray& archive, const QByteArray& signature)> verifyUpdate = {};
    // Whether openURL has somewhere to take a link (this desktop has no page for some settings
    // links); absent: every link opens. Menu items that would open nothing are left out.
    std::function<bool(const QString&)> canOpenURL = {};
};

// The one application delegate: owns the long-lived parts of the running application (status
// item, trigger-key monitor, recorder, flick selector, recognisers, text output), runs the launch
// sequence and the status menu, and hands dictation to the DictationController.
class AppDelegate {
public:
    static constexpr double kStatusRefreshInterval = 5.0;
    static constexpr double kPulseInterval = 0.6;

    explicit AppDelegate(Platform& platform);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The launch sequence, in its fixed order.
    void didFinishLaunching();

    // ---- status item and menu
    void installStatusItem();
    void updateStatusIcon();
    void rebuildStatusMenu();
    QString statusLineText() const;
    QList<MenuEntry> statusMenuEntries();
    void startStatusIconBlink();
    void stopStatusIconBlink();
    bool isBlinking() const { return pulseTimer_ != 0; }

    // ---- menu actions
    void openSettings();
    void openCorrectionBar();
    void showOnboarding();
    void restartApp();
    void openAccessibilitySettings();
    void applyLaunchAtLogin();
    void selectCleanup(const QVariant& representedObject);
    void selectSpokenLanguage(const QVariant& representedObject);
    void startMonitoring();

    void recordRunVersion();

    // ---- parts, for the shell and for tests
    DictationController& controller() { return *controller_; }
    TextInserter& inserter() { return *inserter_; }
    CorrectionBar& correctionBar() { return *correctionBar_; }
    StatusItem* statusItem() { return statusItem_.get(); }
    HotKeyMonitor& monitor() { return *monitor_; }
    PrefsSync& prefsSync() { return *prefsSync_; }

    // What "設定…" opens; nothing without a settings window.
    std::function<void()> settingsWindowOpener;
    // Called once the tray icon is in place at launch (main tells the terminal).
    std::function<void()> statusItemInstalled;
    // Shows a stored change in the settings window when it is open; called after each menu rebuild.
    std::function<void()> settingsWindowReload;
    // What the settings window may ask of the application; every slot does nothing once the
    // delegate is gone.
    SettingsActions settingsActions();

    // Opens the setup onboarding: with `ifNeeded` only when the launch decision wants it. `done`
    // runs once the flow is over (at once when nothing opens). Set by the entry point; without it
    // monitoring starts at once.
    std::function<void(bool ifNeeded, std::function<void()> done)> onboardingOpener;
    // What the onboarding may ask of the delegate (the machine services are the opener's to add);
    // every action does nothing once the delegate is gone.
    OnboardingHost onboardingHost();

private:
    Platform& platform_;
    std::unique_ptr<HotKeyMonitor> monitor_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<GestureSelect> gesture_;
    std::unique_ptr<InputSources> inputSources_;
    std::unique_ptr<LocalRecognizer> local_;
    std::unique_ptr<Transcriber> transcriber_;
    std::unique_ptr<ContextCapture> context_;
    std::unique_ptr<TextInserter> inserter_;
    std::unique_ptr<ScreenshotPaste> screenshotPaste_;
    std::unique_ptr<PrefsSync> prefsSync_;
    std::unique_ptr<UsageReport> usageReport_;
    std::unique_ptr<Updater> updater_;
    std::unique_ptr<RecordingHUD> hud_;
    std::unique_ptr<CorrectionBar> correctionBar_;
    std::unique_ptr<StatusFile> statusFile_;
    std::unique_ptr<ExternalConfig> externalConfig_;  // goes before the status file it refreshes
    std::unique_ptr<SelectionCopier> selectionCopier_;
    std::unique_ptr<DictationController> controller_;
    std::unique_ptr<StatusItem> statusItem_;
    MainQueue::TimerId pulseTimer_ = 0;
    MainQueue::TimerId statusRefreshTimer_ = 0;
    bool pulseDimmed_ = false;
    bool buildTreeLoginNoted_ = false;
    std::shared_ptr<AppDelegate*> alive_;
};
