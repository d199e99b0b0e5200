#pragma once

#include <QList>
#include <QString>

class OnboardingV2Window;
class QWidget;

// What a screen shows: views above its heading, the heading (written by hand), views below it.
// Every view already has its final size; the window places them, top to bottom, 20 apart.
struct OnboardingScreenViews {
    QList<QWidget*> top;
    QString heading;
    QList<QWidget*> bottom;
};

// One full-window screen of the onboarding. The window owns its screens and calls, in order:
//   makeViews(window)  on every visit (a screen rebuilds its views each time it is shown; the
//                      window takes ownership of the views and deletes them when it moves on);
//   onShow(window)     once the views are in place: start timers, demos, polling here;
//   onLeave()          when the window moves to another screen, completes or is closed while
//                      this screen is shown: stop everything onShow started.
// Showing the current screen again calls makeViews and onShow again, without onLeave.
//
// Reaching the application: keep the window as a QPointer (it may close while a timer or a
// request is outstanding) and use
//   window.host()        the delegate's facilities (OnboardingHost: startMonitoring,
//                        applyLaunchAtLogin, the tray icon's pulse, the permission steps, the
//                        machine facts); its actions do nothing once the delegate is gone;
//   window.isPreview()   true in the preview renderer: skip every side effect (monitoring, the
//                        pulse, real dictation focus), show the screen as it would look;
//   AppPrefs::defaults() the settings store; Clock and MainQueue for time (virtual in tests and
//                        previews: never read the wall clock or start Qt timers directly).
class OnboardingV2Screen {
public:
    virtual ~OnboardingV2Screen() = default;

    virtual OnboardingScreenViews makeViews(OnboardingV2Window& window) = 0;
    virtual void onShow(OnboardingV2Window& window) { (void)window; }
    virtual void onLeave() {}
};
