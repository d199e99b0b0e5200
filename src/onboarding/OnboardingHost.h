#pragma once

#include <QImage>
#include <QString>

#include <functional>

class MotionPreference;
class OnboardingWindow;
class SystemInfo;

// What the onboarding may ask of the running application. The application delegate fills it (its
// actions bound to the delegate's lifetime: once the delegate is gone they do nothing); previews
// and tests fill it with fakes. Every empty action does nothing; every null service means "none".
//
// Machine facts a screen shows (permissions, the laptop body, the keyboard layout) come only from
// here or from the process-wide services (AppPrefs for the settings store and the keyboard layout,
// Clock and MainQueue for time), so a preview or a test on fakes and virtual time is reproducible.
struct OnboardingHost {
    using Action = std::function<void()>;

    // Wires the trigger key, the recorder and the dictation controller and starts watching the
    // trigger key; calling it again rewires rather than adding a second watch.
    Action startMonitoring;
    // Whether the trigger key is being watched now (empty: it is not).
    std::function<bool()> isMonitoring;
    // Whether we may watch and send keys (empty: we may not).
    std::function<bool()> isAccessibilityTrusted;
    // Registers or removes the login item to match the stored `launchAtLogin`.
    Action applyLaunchAtLogin;
    // The tray icon's attention pulse, and its end (the icon back at full opacity).
    Action startStatusIconBlink;
    Action stopStatusIconBlink;
    // The tray icon as it looks now (the menu-bar picture shows it among the system's items).
    std::function<QImage()> statusIconImage;
    // Opens a link or a settings page of the desktop.
    std::function<void(const QString&)> openURL;

    // The permission steps: the check rule, the request and the bounded input-monitoring probe.
    OnboardingWindow* permissions = nullptr;
    // The machine (laptop or desktop body of the menu-bar picture).
    const SystemInfo* systemInfo = nullptr;
    // The desktop's wish for less motion (null: animate).
    const MotionPreference* motion = nullptr;

    static void call(const Action& action) {
        if (action) action();
    }
};
