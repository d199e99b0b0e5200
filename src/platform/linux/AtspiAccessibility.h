#pragma once

#include "platform/Accessibility.h"

#include <memory>

class SerialQueue;

// The accessibility view over AT-SPI 2 (libatspi). All libatspi traffic runs on one worker thread
// of its own with a private GLib main context, so neither the caller's thread nor Qt's main loop
// ever touches libatspi state; callers block until the worker answers, and every request to an
// application is bounded by the timeout given (atspi_set_timeout).
//
// Offsets: AT-SPI counts code points; elements read the whole text once and convert exactly to
// the UTF-16 units of this interface.
//
// Secure input: on when the focused element of the application whose window has the input focus
// is a password field.
class AtspiAccessibility final : public Accessibility {
public:
    AtspiAccessibility();
    ~AtspiAccessibility() override;

    bool isSecureInputOn() override;
    std::shared_ptr<AccessibleElement> focusedElement(qint32 pid, double timeoutSeconds) override;
    std::optional<QRect> focusedWindowFrame(qint32 pid, double timeoutSeconds) override;

    struct Worker;

private:
    std::shared_ptr<Worker> worker_;
};
