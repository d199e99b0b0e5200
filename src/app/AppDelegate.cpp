#include "app/AppDelegate.h"

#include "app/MenuBarIcon.h"
#include "app/MoveToApplications.h"
#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/ExternalConfig.h"
#include "core/StatusFile.h"
#include "core/Toast.h"
#include "core/Updater.h"
#include "dictation/DictationController.h"
#include "dictation/GestureSelect.h"
#include "dictation/HotKeyMonitor.h"
#include "dictation/InputSources.h"
#include "dictation/Recorder.h"
#include "dictation/RecordingHUD.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/LoginItem.h"
#include "platform/SpeechRecognizer.h"
#include "recognition/LocalRecognizer.h"
#include "recognition/PrefsSync.h"
#include "recognition/SpeechEngine26.h"
#include "recognition/Transcriber.h"
#include "recognition/UsageReport.h"
#include "settings/BetaSettingsModel.h"
#include "settings/SettingsActions.h"
#include "textio/ContextCapture.h"
#include "textio/CorrectionBar.h"
#include "textio/ScreenshotPaste.h"
#include "textio/SelectionCopier.h"
#include "textio/TextInserter.h"

#include <QVariant>

AppDelegate::AppDelegate(Platform& platform)
    : platform_(platform),
      monitor_(std::make_unique<HotKeyMonitor>(platform.keys)),
      recorder_(std::make_unique<Recorder>(platform.audio)),
      gesture_(std::make_unique<GestureSelect>(platform.pointer)),
      inputSources_(std::make_unique<InputSources>(platform.inputSources)),
      alive_(std::make_shared<AppDelegate*>(this)) {
    InputSources* sources = inputSources_.get();
    auto keyboardIsEnglish = [sources] { return sources->currentKeyboardLanguage() == InputSources::kEnglish; };
    local_ = std::make_unique<LocalRecognizer>(platform.speech, platform.engine26, keyboardIsEnglish, platform.speechQueue);
    transcriber_ = std::make_unique<Transcriber>(platform.http, keyboardIsEnglish);
    context_ = std::make_unique<ContextCapture>(platform.accessibility);
    inserter_ = std::make_unique<TextInserter>(platform.pasteboard, platform.syntheticKeys, platform.workspace,
                                               &platform.accessibility);
    hud_ = platform.makeRecordingHUD ? platform.makeRecordingHUD() : nullptr;
    if (!hud_) hud_ = std::make_unique<RecordingHUD>();
    correctionBar_ = platform.makeCorrectionBar ? platform.makeCorrectionBar() : nullptr;
    if (!correctionBar_) correctionBar_ = std::make_unique<CorrectionBar>();
    statusFile_ = std::make_unique<StatusFile>(platform.permissions);
    if (platform.pointerButtons) {
        selectionCopier_ = std::make_unique<PointerSelectionCopier>(*platform.pointerButtons, platform.accessibility,
                                                                    platform.pasteboard, platform.workspace,
                                                                    inserter_.get(), &platform.pointer);
    } else {
        selectionCopier_ = std::make_unique<SelectionCopier>();
    }
    if (platform.screenshotFolder && platform.imageCodec) {
        screenshotPaste_ = std::make_unique<ScreenshotPaste>(ScreenshotPaste::Services{
            platform.pasteboard, *inserter_, *platform.screenshotFolder, *platform.imageCodec,
            [&keys = platform.keys](int code) { return keys.isKeyDown(code); }, {}});
    }
    prefsSync_ = std::make_unique<PrefsSync>(platform.http, &BetaSettingsModel::vocabularyEditPending);
    prefsSync_->observeDidSync(&BetaSettingsModel::prefsDidSync);
    if (platform.systemInfo) usageReport_ = std::make_unique<UsageReport>(platform.http, *platform.systemInfo);
    updater_ = std::make_unique<Updater>(
        Updater::Services{platform.http, {}, platform.verifyUpdate, platform.startProgram, platform.quit});

    std::weak_ptr<AppDelegate*> weak = alive_;
    auto withSelf = [weak](std::function<void(AppDelegate&)> fn) {
        return [weak, fn] {
            if (auto alive = weak.lock(); alive && *alive) fn(**alive);
        };
    };
    DictationController::Shell shell;
    shell.updateStatusIcon = withSelf([](AppDelegate& self) { self.updateStatusIcon(); });
    shell.rebuildStatusMenu = withSelf([](AppDelegate& self) { self.rebuildStatusMenu(); });
    shell.cancelMenuTracking = withSelf([](AppDelegate& self) {
        if (self.statusItem_) self.statusItem_->cancelTracking();
    });
    shell.setStatusToolTip = [weak](const QString& text) {
        if (auto alive = weak.lock(); alive && *alive && (**alive).statusItem_) (**alive).statusItem_->setToolTip(text);
    };
    shell.isAccessibilityTrusted = platform.isAccessibilityTrusted;
    shell.promptAccessibility = [] {};  // nothing on X11 asks for it: the poll waits for the extensions
    shell.openURL = platform.openURL;
    shell.pasteScreenshot = withSelf([](AppDelegate& self) {
        if (self.screenshotPaste_) self.screenshotPaste_->pasteScreenshot();
    });
    controller_ = std::make_unique<DictationController>(
        DictationController::Services{*monitor_, *recorder_, *gesture_, *inputSources_, platform.sounds,
                                      platform.timePitch, *local_, *transcriber_, *context_, *inserter_,
                                      platform.workspace, *hud_, *correctionBar_, *statusFile_, *selectionCopier_},
        std::move(shell));

    // A click on one of the panel's chips.
    hud_->hooks.sessionStyle = [weak] {
        auto alive = weak.lock();
        return alive && *alive ? (**alive).controller_->sessionStyle() : std::optional<QString>();
    };
    hud_->hooks.pickStyleForSend = [weak](const QString& style) {
        if (auto alive = weak.lock(); alive && *alive) (**alive).controller_->pickStyleForSend(style);
    };
    hud_->hooks.updateStatusIcon = withSelf([](AppDelegate& self) { self.updateStatusIcon(); });
    hud_->hooks.rebuildStatusMenu = withSelf([](AppDelegate& self) { self.rebuildStatusMenu(); });
}

AppDelegate::~AppDelegate() {
    *alive_ = nullptr;
    MainQueue::cancel(pulseTimer_);
    MainQueue::cancel(statusRefreshTimer_);
    externalConfig_.reset();
    controller_.reset();
}

// ---------------------------------------------------------------------------------------------
// Launch

void AppDelegate::didFinishLaunching() {
    // A copy moved into ~/Applications takes over: nothing starts here.
    if (platform_.moveToApplications && platform_.moveToApplications()) return;
    AppLog::write(QStringLiteral("起動"));
    // Qt's text fields carry the standard editing shortcuts themselves: no Edit menu to install.
    recordRunVersion();

    const SpeechAuthorization status = platform_.speech.authorizationStatus();
    if (status == SpeechAuthorization::Authorized) local_->scheduleWarmUp();
    // The newer on-device engine's models, where the system has that engine (Linux has none).
    if (platform_.engine26.isSupported())
        platform_.engine26.prepareAssetsInBackground({QStringLiteral("ja-JP"), QStringLiteral("en-US")});
    if (usageReport_) usageReport_->sendHello();
    // Word lists changed on another device, or a push that never reached the service.
    prefsSync_->reconcileWithService();

    applyLaunchAtLogin();
    installStatusItem();
    if (statusItemInstalled) statusItemInstalled();

    statusFile_->refresh();
    std::weak_ptr<AppDelegate*> weak = alive_;
    statusRefreshTimer_ = MainQueue::every(kStatusRefreshInterval, [weak] {
        if (auto alive = weak.lock(); alive && *alive) (**alive).statusFile_->refresh();
    });
    // A newer release is offered once at launch; the settings window checks on request.
    updater_->check(false);

    // Settings written from outside while we run.
    externalConfig_ = std::make_unique<ExternalConfig>(AppPrefs::defaults(), [weak] {
        if (auto alive = weak.lock(); alive && *alive) (**alive).statusFile_->refresh();
    });
    externalConfig_->start([weak] {
        auto alive = weak.lock();
        if (!alive || !*alive) return;
        AppDelegate& self = **alive;
        self.applyLaunchAtLogin();
        self.updateStatusIcon();
        self.rebuildStatusMenu();
    }, &BetaSettingsModel::reloadAll);

    // Monitoring starts once the onboarding is over, or at once when it is not needed.
    if (onboardingOpener) {
        onboardingOpener(true, [weak] {
            if (auto alive = weak.lock(); alive && *alive) (**alive).startMonitoring();
        });
    } else {
        startMonitoring();
    }
}

void AppDelegate::recordRunVersion() {
    QString version = Bundle::isInstalled() ? Bundle::instance().shortVersion() : QString();
    if (version.isEmpty()) version = QStringLiteral("0");
    const QString stored = AppPrefs::defaults().stringForKey(QStringLiteral("lastRunVersion"));
    if (stored != version) AppPrefs::defaults().set(QStringLiteral("lastRunVersion"), version);
}

void AppDelegate::startMonitoring() {
    controller_->startMonitoring();
    updateStatusIcon();
}

void AppDelegate::showOnboarding() {
    std::weak_ptr<AppDelegate*> weak = alive_;
    auto start = [weak] {
        if (auto alive = weak.lock(); alive && *alive) (**alive).startMonitoring();
    };
    if (onboardingOpener) onboardingOpener(false, start);
    else start();
}

OnboardingHost AppDelegate::onboardingHost() {
    std::weak_ptr<AppDelegate*> weak = alive_;
    auto bound = [weak](void (AppDelegate::*method)()) {
        return [weak, method] {
            if (auto alive = weak.lock(); alive && *alive) ((**alive).*method)();
        };
    };
    OnboardingHost host;
    host.startMonitoring = bound(&AppDelegate::startMonitoring);
    host.isMonitoring = [weak] {
        auto alive = weak.lock();
        return alive && *alive && (**alive).controller_->isMonitoring();
    };
    host.isAccessibilityTrusted = platform_.isAccessibilityTrusted;
    host.applyLaunchAtLogin = bound(&AppDelegate::applyLaunchAtLogin);
    host.startStatusIconBlink = bound(&AppDelegate::startStatusIconBlink);
    host.stopStatusIconBlink = bound(&AppDelegate::stopStatusIconBlink);
    host.statusIconImage = [] { return MenuBarIcon::image(MenuBarIcon::Idle, std::nullopt).image; };
    host.openURL = platform_.openURL;
    return host;
}

void AppDelegate::restartApp() {
    AppLog::write(QStringLiteral("メニューから再起動"));
    if (platform_.relaunch && platform_.relaunch({QStringLiteral("--takeover")})) {
        std::weak_ptr<AppDelegate*> weak = alive_;
        MainQueue::post([weak] {
            if (auto alive = weak.lock(); alive && *alive && (**alive).platform_.quit) (**alive).platform_.quit();
        });
        return;
    }
    AppLog::write(QStringLiteral("再起動に失敗: ") + QStringLiteral("不明"));
}

// ---------------------------------------------------------------------------------------------
// Status item and menu

void AppDelegate::installStatusItem() {
    if (platform_.makeStatusItem) statusItem_ = platform_.makeStatusItem();
    updateStatusIcon();
    rebuildStatusMenu();
}

void AppDelegate::updateStatusIcon() {
    if (!statusItem_) return;
    const int state = controller_->isRecording() ? MenuBarIcon::Recording
                      : controller_->isBusy()    ? MenuBarIcon::Sending
                                                 : MenuBarIcon::Idle;
    const MenuBarIcon::Icon icon =
        MenuBarIcon::image(state, DictationController::activeSendStyle(), statusItem_->glyphColor());
    statusItem_->setImage(icon.image, icon.isTemplate);
    statusItem_->setTitle(MenuBarIcon::title(state == MenuBarIcon::Recording));
}

QString AppDelegate::statusLineText() const {
    if (!controller_->isMonitoring()) return QStringLiteral("キー操作の許可が必要です");
    if (controller_->isRecording()) return QStringLiteral("録音中…");
    if (!controller_->isBusy()) return AppPrefs::triggerKeyName() + QStringLiteral("を長押しで話す");
    return QStringLiteral("変換中…");
}

QList<MenuEntry> AppDelegate::statusMenuEntries() {
    std::weak_ptr<AppDelegate*> weak = alive_;
    auto action = [weak](void (AppDelegate::*method)()) {
        return [weak, method] {
            if (auto alive = weak.lock(); alive && *alive) ((**alive).*method)();
        };
    };
    auto item = [](const QString& title, std::function<void()> run, const QString& symbol = {},
                   const QString& shortcut = {}) {
        MenuEntry e;
        e.title = title;
        e.action = std::move(run);
        e.symbol = symbol;
        e.shortcut = shortcut;
        return e;
    };

    QList<MenuEntry> entries;
    MenuEntry status;
    status.title = statusLineText();
    status.enabled = false;
    entries << status;
    if (!controller_->isMonitoring() &&
        (!platform_.canOpenURL || platform_.canOpenURL(DictationController::kAccessibilitySettingsURL)))
        entries << item(QStringLiteral("アクセシビリティ設定を開く"), action(&AppDelegate::openAccessibilitySettings));
    entries << MenuEntry::line();
    // The setup guide is offered until the user has completed it.
    if (!AppPrefs::onboardingV2Completed())
        entries << item(QStringLiteral("はじめ方"), action(&AppDelegate::showOnboarding), QStringLiteral("hand.wave"));
    if (!correctionBar_->lastInsertedText.isEmpty())
        entries << item(QStringLiteral("直前の書き起こしから言い直し"), action(&AppDelegate::openCorrectionBar),
                        QStringLiteral("pencil.line"));
    entries << item(QStringLiteral("設定…"), action(&AppDelegate::openSettings), QStringLiteral("gearshape"),
                    QStringLiteral(","));
    entries << MenuEntry::line();
    entries << item(QStringLiteral("再起動"), action(&AppDelegate::restartApp), QStringLiteral("arrow.clockwise"));
    auto quit = platform_.quit;
    entries << item(QStringLiteral("終了"), [quit] {
        if (quit) quit();
    }, QStringLiteral("power"), QStringLiteral("q"));
    return entries;
}

void AppDelegate::rebuildStatusMenu() {
    if (statusItem_) statusItem_->setMenu(statusMenuEntries());
    if (settingsWindowReload) settingsWindowReload();
}

SettingsActions AppDelegate::settingsActions() {
    SettingsActions actions;
    actions.settingsChanged = [this] {
        updateStatusIcon();
        rebuildStatusMenu();
    };
    actions.applyLaunchAtLogin = [this] { applyLaunchAtLogin(); };
    actions.checkForUpdates = [this] { updater_->check(true); };
    actions.showSetupOnboarding = [this] { showOnboarding(); };
    actions.switchInputSource = [this](int language) { inputSources_->switchInputSource(language); };
    actions.startCopyOnSelect = [this] { selectionCopier_->start(); };
    actions.stopCopyOnSelect = [this] { selectionCopier_->stop(); };
    actions.pushPreferences = [this] { prefsSync_->pushLocal(); };
    return actions.boundTo(alive_);
}

void AppDelegate::startStatusIconBlink() {
    if (!statusItem_) return;
    stopStatusIconBlink();
    pulseDimmed_ = false;
    std::weak_ptr<AppDelegate*> weak = alive_;
    pulseTimer_ = MainQueue::every(kPulseInterval, [weak] {
        auto alive = weak.lock();
        if (!alive || !*alive) return;
        AppDelegate& self = **alive;
        if (!self.statusItem_) return;
        self.pulseDimmed_ = !self.pulseDimmed_;
        self.statusItem_->setAlpha(self.pulseDimmed_ ? 0.35 : 1.0, 0.5);
    });
    statusItem_->setAlpha(1.0, 0);
}

void AppDelegate::stopStatusIconBlink() {
    MainQueue::cancel(pulseTimer_);
    if (statusItem_) statusItem_->setAlpha(1.0, 0);
}

// ---------------------------------------------------------------------------------------------
// Menu actions

void AppDelegate::openSettings() {
    if (settingsWindowOpener) settingsWindowOpener();
}

void AppDelegate::openCorrectionBar() {
    const QString text = correctionBar_->lastInsertedText;
    if (text.isEmpty()) {
        Toast::show(QStringLiteral("まだ書き起こしていません"), std::nullopt, 1.0);
        return;
    }
    correctionBar_->show(text, false);
}

void AppDelegate::openAccessibilitySettings() { controller_->openAccessibilitySettings(); }

void AppDelegate::applyLaunchAtLogin() {
    bool wanted = AppPrefs::launchAtLogin();
    const bool enabled = platform_.loginItem.isEnabled();
    // A developer's own build is never started at login: the build tree is no installed copy.
    if (wanted && Bundle::isInstalled() && MoveToApplications::isInBuildTree(Bundle::instance().bundlePath())) {
        wanted = false;
        if (!buildTreeLoginNoted_ && !enabled)
            AppLog::write(QStringLiteral("ログイン時に起動: ビルド用のフォルダから動いているので登録しない"));
        buildTreeLoginNoted_ = true;
    }
    if (wanted && !enabled) {
        const QString error = platform_.loginItem.enable();
        AppLog::write(error.isEmpty() ? QStringLiteral("ログイン時に起動: 登録した")
                                      : QStringLiteral("ログイン項目の変更に失敗: ") + error);
    } else if (!wanted && enabled) {
        const QString error = platform_.loginItem.disable();
        AppLog::write(error.isEmpty() ? QStringLiteral("ログイン時に起動: 外した")
                                      : QStringLiteral("ログイン項目の変更に失敗: ") + error);
    }
}

void AppDelegate::selectCleanup(const QVariant& representedObject) {
    if (!Defaults::isString(representedObject)) return;
    AppPrefs::setCleanupMode(representedObject.toString());
    updateStatusIcon();
    rebuildStatusMenu();
}

void AppDelegate::selectSpokenLanguage(const QVariant& representedObject) {
    if (!Defaults::isString(representedObject)) return;
    const QString language = representedObject.toString();
    AppPrefs::defaults().set(QStringLiteral("spokenLanguage"), language);
    if (language == QLatin1String("ja")) inputSources_->switchInputSource(InputSources::kJapanese);
    if (language == QLatin1String("en")) inputSources_->switchInputSource(InputSources::kEnglish);
    rebuildStatusMenu();
}
