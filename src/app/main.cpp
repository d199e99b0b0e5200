// Process entry: answers the probe switch, installs the Linux services, makes sure only one copy
// runs, creates the application delegate and runs the event loop. The application lives in the
// tray; closing a window does not end it. SIGTERM and SIGINT end it through the event loop, so the
// delegate and the services shut down as they do for the menu's quit.
#include "app/AppDelegate.h"
#include "app/LaunchSwitch.h"
#include "app/MoveToApplications.h"
#include "app/Previews.h"
#include "app/SingleInstance.h"
#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/OnboardingWindow.h"
#include "core/ui/QtAlertRunner.h"
#include "core/ui/ToastWindow.h"
#include "dictation/HUDPlacement.h"
#include "dictation/InputSources.h"
#include "dictation/ui/RecordingHUDPanel.h"
#include "onboarding/ui/OnboardingV2Window.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/SerialQueue.h"
#include "platform/linux/AtspiAccessibility.h"
#include "platform/linux/BusLookup.h"
#include "platform/linux/Ed25519Signature.h"
#include "platform/linux/EspeakSpeechSynthesizer.h"
#include "platform/linux/GSettingsMotionPreference.h"
#include "platform/linux/IcuWordTokenizer.h"
#include "platform/linux/InfoPlistBundle.h"
#include "platform/linux/LinuxPermissions.h"
#include "platform/linux/LinuxSystemInfo.h"
#include "platform/linux/PlistDefaults.h"
#include "platform/linux/PocketSphinxRecognizer.h"
#include "platform/linux/ProcRunningApplications.h"
#include "platform/linux/PulseAudioInput.h"
#include "platform/linux/PulseSounds.h"
#include "platform/linux/QtHttpClient.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/RemovableMedia.h"
#include "platform/linux/SoundTouchTimePitch.h"
#include "platform/linux/UnsupportedSpeechAnalyzer.h"
#include "platform/linux/X11Connection.h"
#include "platform/linux/X11KeyEventSource.h"
#include "platform/linux/X11PointerButtons.h"
#include "platform/linux/X11SyntheticKeys.h"
#include "platform/linux/X11Trust.h"
#include "platform/linux/X11Workspace.h"
#include "platform/linux/XdgDesktopEntry.h"
#include "platform/linux/XdgLoginItem.h"
#include "platform/linux/XdgScreenshotFolder.h"
#include "platform/linux/XkbInputSourceService.h"
#include "platform/linux/ui/QtImageCodec.h"
#include "platform/linux/ui/QtPasteboard.h"
#include "platform/linux/ui/QtPointer.h"
#include "platform/linux/ui/QtScreens.h"
#include "platform/linux/ui/QtStatusItem.h"
#include "recognition/PrefsSync.h"
#include "recognition/LocalRecognizer.h"
#include "recognition/Smoke.h"
#include "recognition/Speech26Smoke.h"
#include "settings/screens/ScreenDirectory.h"
#include "settings/ui/BetaSettingsWindowController.h"
#include "recognition/SpeechEngine26.h"
#include "textio/ScreenshotPaste.h"
#include "textio/TextInserter.h"
#include "textio/ui/CorrectionBarWindow.h"
#include "textio/ui/OwnTextField.h"

#include "UpdateSigningKey.h"

#include <QApplication>
#include <QStyleHints>
#include <QSystemTrayIcon>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QProcess>
#include <QSocketNotifier>
#include <QUrl>
#include <QWidget>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// How long a bus may take to answer at start before it is left out for the run.
constexpr double kBusWait = 0.25;

// SIGTERM and SIGINT become a quit of the event loop: the handler only writes a byte to a socket
// pair, read on the main thread. A request that comes before the loop runs is remembered: the
// start stops there, and a modal question on screen is dismissed.
class TerminationSignals {
public:
    TerminationSignals() {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0) return;
        writeEnd_.store(fds_[0]);
        struct sigaction action {};
        action.sa_handler = &TerminationSignals::handle;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGTERM, &action, nullptr);
        ::sigaction(SIGINT, &action, nullptr);
        notifier_ = new QSocketNotifier(fds_[1], QSocketNotifier::Read, qApp);
        QObject::connect(notifier_, &QSocketNotifier::activated, qApp, [this] {
            char bytes[16];
            while (::recv(fds_[1], bytes, sizeof bytes, MSG_DONTWAIT) > 0) {
            }
            requested_ = true;
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
            QCoreApplication::quit();
        });
    }

    bool requested() const { return requested_; }

private:
    static void handle(int) {
        const int saved = errno;
        const char byte = 1;
        const int fd = writeEnd_.load();
        if (fd >= 0) {
            const ssize_t sent = ::send(fd, &byte, 1, MSG_DONTWAIT | MSG_NOSIGNAL);
            (void)sent;  // a full socket already holds a request
        }
        errno = saved;
    }

    static inline std::atomic<int> writeEnd_{-1};
    int fds_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    bool requested_ = false;
};

// A line for whoever started us from a terminal (a desktop session keeps it with its own output).
void tellTerminal(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    std::fflush(stderr);
}

// The bundle around the executable and its settings, installed for as long as this lives. A
// settings file that cannot be read is set aside, and the log says so.
class ProcessSettings {
public:
    ProcessSettings()
        : bundle_(QCoreApplication::applicationFilePath()),
          defaults_(bundle_.identifier().isEmpty() ? QStringLiteral("orvane") : bundle_.identifier()) {
        Bundle::install(&bundle_);
        AppPrefs::setDefaults(&defaults_);
        if (defaults_.wasUnreadableAtStart())
            AppLog::write(QStringLiteral("設定ファイルを読めないため既定の設定で始めます（元のファイルは ") +
                          defaults_.unreadableCopyPath() + QStringLiteral(" に残しました）"));
    }
    ~ProcessSettings() {
        AppPrefs::setDefaults(nullptr);
        Bundle::install(nullptr);
    }
    ProcessSettings(const ProcessSettings&) = delete;
    ProcessSettings& operator=(const ProcessSettings&) = delete;

    InfoPlistBundle& bundle() { return bundle_; }

private:
    InfoPlistBundle bundle_;
    PlistDefaults defaults_;
};

QStringList processArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    const QStringList arguments = processArguments(argc, argv);
    // The first switch present in the fixed order decides what this run is.
    const std::optional<QString> chosen = LaunchSwitch::select(arguments);
    // Answered by the exit status alone: no window, no settings read or written.
    if (chosen == QLatin1String("--probe-input-monitoring"))
        return X11Trust::inputExtensionsAvailable() ? 0 : 1;

    // The service self-check runs instead of the application, without a display.
    if (chosen == QLatin1String("--smoke")) {
        const Smoke::Arguments smoke = Smoke::parseArguments(arguments);
        QCoreApplication core(argc, argv);
        ProcessSettings settings;
        QtHttpClient http;
        EspeakSpeechSynthesizer speech;
        return Smoke(http, speech).run(smoke.key, smoke.json);
    }

    // The newer on-device engine's self-check, also without a display.
    if (chosen == QLatin1String("--speech26-smoke")) {
        const Speech26Smoke::Arguments check = Speech26Smoke::parseArguments(arguments);
        const auto printLine = [](const QString& line) {
            std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
            std::fflush(stdout);
        };
        if (!check.path) {
            printLine(Speech26Smoke::usageLine());
            return 1;
        }
        QCoreApplication core(argc, argv);
        SystemClock clock;
        Clock::install(&clock);
        QtMainQueue mainQueue;
        MainQueue::install(&mainQueue);
        ProcessSettings settings;
        int status = 0;
        {
            UnsupportedSpeechAnalyzer analyzer26;
            SpeechEngine26 engine26(analyzer26);
            PocketSphinxRecognizerProvider speech;
            LocalRecognizer classic(speech, engine26);
            Speech26Smoke smoke({engine26, classic,
                                 [&speech] { return speech.authorizationStatus() == SpeechAuthorization::Authorized; },
                                 printLine, [&status](int s) {
                                     status = s;
                                     QCoreApplication::exit(s);
                                 }});
            smoke.run(*check.path, check.locale);
            if (!smoke.ended()) core.exec();
        }
        return status;
    }

    // Without a display Qt's X11 platform gives up by aborting: say why and end instead (another
    // platform, such as offscreen for the previews, is Qt's to judge).
    const QByteArray platformName = qgetenv("QT_QPA_PLATFORM");
    if ((platformName.isEmpty() || platformName.startsWith("xcb")) && !X11Connection::displayReachable()) {
        tellTerminal(QStringLiteral("Quendle は X のディスプレイ（DISPLAY=%1）につながりません。X11 のデスクトップで起動してください")
                         .arg(QString::fromLocal8Bit(qgetenv("DISPLAY"))));
        return 1;
    }

    // Qt's accessibility bridge asks the accessibility launcher on the main thread, without a
    // bound, whether a screen reader runs, unless it is told to take part always: a launcher that
    // never answers would hold the start for 50 s. Taking part always, it asks for the bus's
    // address without waiting, and a screen reader started later finds our windows too.
    if (!qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON")) qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    // Likewise a session bus or an accessibility bus that does not answer is left out before
    // anything can wait for it.
    const QString sessionBusLeftOut = BusLookup::leaveOutSessionBusThatHangs(kBusWait);
    const QString accessibilityBusLeftOut = BusLookup::leaveOutAccessibilityBusThatHangs(kBusWait);

    QApplication app(argc, argv);
    TerminationSignals termination;
    app.setQuitOnLastWindowClosed(false);
    app.setApplicationName(QStringLiteral("Quendle"));
    // Every other switch is a developer preview: one window on fixed facts and virtual time, then
    // the end.
    if (chosen) return Previews::run(*chosen);

    SystemClock clock;
    Clock::install(&clock);
    QtMainQueue mainQueue;
    MainQueue::install(&mainQueue);
    ProcessSettings settings;
    InfoPlistBundle& bundle = settings.bundle();
    for (const QString& leftOut : {sessionBusLeftOut, accessibilityBusLeftOut})
        if (!leftOut.isEmpty()) AppLog::write(QStringLiteral("この実行ではバスを使いません: ") + leftOut);
    // The first-run flag reflects the defaults as they were at launch, before anything writes them.
    AppPrefs::isFirstRun();

    QtScreens screens;
    Screens::install(&screens);
    ToastWindow toasts;
    ToastPresenter::install(&toasts);
    QtAlertRunner alerts;
    AlertRunner::install(&alerts);

    // One copy at a time. A copy that gives way ends here, still holding the launch lock, so the
    // next one to look does not find it half gone.
    ProcRunningApplications runningApplications;
    SingleInstance single({runningApplications, bundle, runModalAlert,
                           [](double seconds) {
                               std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
                           },
                           [](int status) {
                               std::fflush(nullptr);
                               ::_exit(status);
                           },
                           &tellTerminal},
                          QCoreApplication::applicationPid());
    if (single.run(arguments) == SingleInstance::Outcome::Exit) return 0;
    if (termination.requested()) return 0;

    X11KeyEventSource keys;
    PulseAudioInput audio;
    SoundTouchTimePitch timePitch;
    PulseSounds sounds;
    QtPointer pointer;
    XkbInputSourceService inputSources;
    InputSources::installLayoutProvider(&inputSources);
    QtHttpClient http;
    PocketSphinxRecognizerProvider speech;
    UnsupportedSpeechAnalyzer analyzer26;
    SpeechEngine26 engine26(analyzer26);
    QtPasteboard pasteboard;
    X11SyntheticKeys syntheticKeys;
    X11Workspace workspace;
    AtspiAccessibility accessibility(&AppLog::write);
    XdgLoginItem loginItem(QCoreApplication::applicationFilePath());

    Platform platform{keys, audio, timePitch, sounds, pointer, inputSources, http, speech, engine26, pasteboard,
                      syntheticKeys, workspace, accessibility, loginItem,
                      [] { return std::make_unique<QtStatusItem>(); },
                      [] { return X11Trust::inputExtensionsAvailable(); },
                      [](const QString& url) {
                          // The desktop's own settings have no pane for these; other links open.
                          if (!url.startsWith(QLatin1String("x-apple."))) QDesktopServices::openUrl(QUrl(url));
                      },
                      [](const QStringList& arguments) {
                          return QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
                      },
                      [] { QCoreApplication::quit(); },
                      nullptr,
                      nullptr};
    // The desktop's own settings have no page for the settings links; the status menu leaves out
    // what would open nothing.
    platform.canOpenURL = [](const QString& url) { return !url.startsWith(QLatin1String("x-apple.")); };
    // For the session tests: QUENDLE_TEST_LOCAL_SPEECH_DELAY=<seconds> makes every step of
    // on-device recognition wait that long before it runs, as on a slow machine.
    std::unique_ptr<SerialQueue> slowSpeechQueue;
    if (const double delay = qEnvironmentVariable("QUENDLE_TEST_LOCAL_SPEECH_DELAY").toDouble(); delay > 0) {
        slowSpeechQueue = std::make_unique<SerialQueue>(QStringLiteral("orvane.localspeech"));
        platform.speechQueue = [queue = slowSpeechQueue.get(), delay](std::function<void()> task) {
            queue->post([delay, task = std::move(task)] {
                std::this_thread::sleep_for(std::chrono::duration<double>(delay));
                task();
            });
        };
    }
    LinuxPermissions permissions;
    platform.permissions = &permissions;
    X11PointerButtons pointerButtons(nullptr, QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0);
    platform.pointerButtons = &pointerButtons;
    XdgScreenshotFolder screenshotFolder;
    QtImageCodec imageCodec;
    platform.screenshotFolder = &screenshotFolder;
    platform.imageCodec = &imageCodec;
    LinuxSystemInfo systemInfo;
    platform.systemInfo = &systemInfo;
    // Programs we start (a moved or updated copy) run from the home folder, not from where this
    // one was started, which may be a medium about to be detached.
    platform.startProgram = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments, Files::home()) ? QString()
                                                                          : program + QStringLiteral(" を起動できません");
    };
    platform.verifyUpdate = [](const QByteArray& archive, const QByteArray& signature) {
        const QByteArray key(reinterpret_cast<const char*>(kUpdateSigningKey), sizeof kUpdateSigningKey);
        return Ed25519Signature::verify(archive, signature, key);
    };
    MoveToApplications mover({runningApplications, single, bundle.identifier(), platform.startProgram,
                              &RemovableMedia::detachWhenGone, &XdgDesktopEntry::addToMenu, platform.quit});
    platform.moveToApplications = [&] { return mover.offer(bundle.bundlePath()); };
    // The panel hangs under the tray icon when the tray tells where that is.
    AppDelegate* running = nullptr;
    platform.makeRecordingHUD = [&] {
        HUDPlacement::Services services{accessibility, workspace, pointer, screens, [&running] {
                                            StatusItem* item = running ? running->statusItem() : nullptr;
                                            return item ? item->geometry() : std::nullopt;
                                        }};
        return std::make_unique<RecordingHUDPanel>(services);
    };

    // The correction bar watches the left button on its own, beside copy-on-select.
    IcuWordTokenizer wordTokenizer;
    X11PointerButtons barButtons;
    platform.makeCorrectionBar = [&] {
        return std::make_unique<CorrectionBarWindow>(
            CorrectionBar::Services{workspace, accessibility, screens, wordTokenizer, &barButtons, &pointer});
    };

    AppDelegate delegate(platform);
    running = &delegate;
    // The settings window is made on first use and kept for the run.
    OnboardingWindow permissionSteps({permissions, speech});
    ScreenContext screenContext;
    screenContext.permissions = &permissions;
    screenContext.onboarding = &permissionSteps;
    screenContext.screenshotFolderPath = [&screenshotFolder] { return screenshotFolder.saveFolder(); };
    screenContext.canResetFolderAccess = [] { return ScreenshotPaste::canResetFolderAccess(); };
    // "お問い合わせ" opens the README that comes with the application, in the desktop's viewer.
    const QString readme = QDir(bundle.resourcesPath()).filePath(QStringLiteral("README.md"));
    if (QFileInfo::exists(readme) && !QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        screenContext.openContactPage = [readme] { QDesktopServices::openUrl(QUrl::fromLocalFile(readme)); };
    screenContext.syncOnAppear = [&delegate] { delegate.prefsSync().syncOnAppear(); };
    std::unique_ptr<BetaSettingsWindowController> settingsWindow;
    delegate.settingsWindowOpener = [&] {
        if (!settingsWindow)
            settingsWindow = std::make_unique<BetaSettingsWindowController>(delegate.settingsActions(), &sounds,
                                                                           screenDirectory(screenContext));
        settingsWindow->show();
    };
    delegate.settingsWindowReload = [&] {
        if (settingsWindow) settingsWindow->reloadIfVisible();
    };
    delegate.inserter().setOwnFieldInsert(&OwnTextField::insert);
    GSettingsMotionPreference motion;
    const auto onboardingHost = [&] {
        OnboardingHost host = delegate.onboardingHost();
        host.permissions = &permissionSteps;
        host.systemInfo = &systemInfo;
        host.motion = &motion;
        return host;
    };
    delegate.onboardingOpener = [onboardingHost](bool ifNeeded, std::function<void()> done) {
        OnboardingHost host = onboardingHost();
        auto finish = [done = std::move(done)](bool) {
            if (done) done();
        };
        if (ifNeeded) OnboardingV2Window::openIfNeeded(host, finish);
        else OnboardingV2Window::open(host, OnboardingV2Window::makeScreens(), OnboardingV2Window::setupLabels(), false, finish);
    };
    // The settings root's 「使い方」 row.
    screenContext.openUsageGuide = [onboardingHost] { OnboardingV2Window::openUsageGuide(onboardingHost()); };
    delegate.statusItemInstalled = [] {
        const QString log = QStringLiteral("（ログ: ") + AppLog::fileURL() + QStringLiteral("）");
        tellTerminal(QSystemTrayIcon::isSystemTrayAvailable()
                         ? QStringLiteral("Quendle はトレイで動いています。アイコンをクリックするとメニューが開きます") + log
                         : QStringLiteral("Quendle は動いていますが、トレイが見つかりません。トレイが現れるとアイコンが出ます") + log);
    };
    MainQueue::post([&delegate] { delegate.didFinishLaunching(); });
    if (termination.requested()) return 0;
    app.exec();
    // The settings and onboarding windows go before the delegate: nothing may reach it from here on.
    delete OnboardingV2Window::shared();
    delegate.onboardingOpener = nullptr;
    delegate.settingsWindowOpener = nullptr;
    delegate.settingsWindowReload = nullptr;
    return 0;
}
