#pragma once

#include <functional>

// The desktop permissions the application depends on, as the status file reports them. On X11
// there is no consent dialog: a permission is "granted" when the facility behind it works.
enum class PermissionState { Granted, Denied, Restricted, NotDetermined };

class Permissions {
public:
    virtual ~Permissions() = default;

    // Recording: a sound server answers and has an input source.
    virtual PermissionState microphone() = 0;
    // Reading and sending keys system-wide (the display offers XTEST and XInputExtension).
    virtual PermissionState accessibility() = 0;
    // Watching the trigger key anywhere on the desktop.
    virtual PermissionState inputMonitoring() = 0;

    // Drops every remembered answer and asks the facilities again now (a user pressed "check
    // again"); `answered` runs on the main queue once the fresh answers are there.
    virtual void checkAgain(std::function<void()> answered) = 0;
};
