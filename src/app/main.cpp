// Process entry: installs the Linux services, creates the application delegate and runs the event
// loop. The application lives in the tray; closing a window does not end it.
#include "app/AppDelegate.h"
#include "core/AppPrefs.h"
#include "core/ui/QtAlertRunner.h"
#include "core/ui/ToastWindow.h"
#include "dictation/InputSources.h"
#include "platform/Clock.h"
#include "platform/linux/AtspiAccessibility.h"
#include "platform/linux/InfoPlistBundle.h"
#include "platform/linux/PlistDefaults.h"
#include "platform/linux/PocketSphinxRecognizer.h"
#include "platform/linux/PulseAudioInput.h"
#include "platform/linux/PulseSounds.h"
#include "platform/linux/QtHttpClient.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/SoundTouchTimePitch.h"
#include "platform/linux/X11KeyEventSource.h"
#include "platform/linux/X11SyntheticKeys.h"
#include "platform/linux/X11Trust.h"
#include "platform/linux/X11Workspace.h"
#include "platform/linux/XdgLoginItem.h"
#include "platform/linux/XkbInputSourceService.h"
#include "platform/linux/ui/QtPasteboard.h"
#include "platform/linux/ui/QtPointer.h"
#include "platform/linux/ui/QtScreens.h"
#include "platform/linux/ui/QtStatusItem.h"
#include "recognition/SpeechEngine26.h"
#include "textio/TextInserter.h"
#include "textio/ui/OwnTextField.h"

#include <QApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    app.setApplicationName(QStringLiteral("Quendle"));

    SystemClock clock;
    Clock::install(&clock);
    QtMainQueue mainQueue;
    MainQueue::install(&mainQueue);
    InfoPlistBundle bundle(QCoreApplication::applicationFilePath());
    Bundle::install(&bundle);
    PlistDefaults defaults(bundle.identifier().isEmpty() ? QStringLiteral("orvane") : bundle.identifier());
    AppPrefs::setDefaults(&defaults);
    // The first-run flag reflects the defaults as they were at launch, before anything writes them.
    AppPrefs::isFirstRun();

    QtScreens screens;
    Screens::install(&screens);
    ToastWindow toasts;
    ToastPresenter::install(&toasts);
    QtAlertRunner alerts;
    AlertRunner::install(&alerts);

    X11KeyEventSource keys;
    PulseAudioInput audio;
    SoundTouchTimePitch timePitch;
    PulseSounds sounds;
    QtPointer pointer;
    XkbInputSourceService inputSources;
    InputSources::installLayoutProvider(&inputSources);
    QtHttpClient http;
    PocketSphinxRecognizerProvider speech;
    UnavailableSpeechEngine26 engine26;
    QtPasteboard pasteboard;
    X11SyntheticKeys syntheticKeys;
    X11Workspace workspace;
    AtspiAccessibility accessibility;
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

    AppDelegate delegate(platform);
    delegate.inserter().setOwnFieldInsert(&OwnTextField::insert);
    MainQueue::post([&delegate] { delegate.didFinishLaunching(); });
    return app.exec();
}
