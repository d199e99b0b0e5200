#pragma once

#include "platform/Accessibility.h"
#include "platform/MainQueue.h"

#include <memory>

class SerialQueue;

// The accessibility view over AT-SPI 2 (libatspi). All libatspi traffic runs on one worker thread
// of its own with a private GLib main context, so neither the caller's thread nor Qt's main loop
// ever touches libatspi state; callers block until the worker answers, and every request to an
// application is bounded by the timeout given (atspi_set_timeout).
//
// Offsets are the application's own (code points for GTK programs, UTF-16 units for Qt ones): no
// element ever reads more of its text than the range asked for.
//
// The focused element of each application is followed through the focus events the applications
// send; the tree is searched only for an application whose focus we have not heard of. The same
// events give the desktop's focus: the element that last took the focus in any application. We
// listen from construction on. What is remembered of a program is dropped once its process is gone.
//
// Secure input: on when the focused element of the application whose window has the input focus
// is a password field.
class AtspiAccessibility final : public Accessibility {
public:
    // Connects to the accessibility bus, blocking: make it on the thread that runs the main event loop.
    AtspiAccessibility();
    ~AtspiAccessibility() override;

    bool isSecureInputOn() override;
    std::shared_ptr<AccessibleElement> focusedElement(qint32 pid, double timeoutSeconds) override;
    std::shared_ptr<AccessibleElement> desktopFocusedElement(double timeoutSeconds) override;
    std::optional<QRect> focusedWindowFrame(qint32 pid, double timeoutSeconds) override;

    // Whether the focused element of process `pid` is remembered (for tests).
    bool remembersFocusOf(qint32 pid);
    // The process of the element remembered as the desktop's focus, 0 when none (for tests).
    qint32 desktopFocusProcess();

    struct Worker;

    // How often the events that arrived are read when nobody asks anything.
    static constexpr double kDrainInterval = 5.0;

private:
    std::shared_ptr<Worker> worker_;
    MainQueue::TimerId drainTimer_ = 0;
};
