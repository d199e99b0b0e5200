#pragma once

#include "platform/Accessibility.h"
#include "platform/MainQueue.h"

#include <chrono>
#include <functional>
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
//
// Without an accessibility bus (none on the session bus, no session bus, a launcher that never
// answers) every question answers at once as for a program that is not on the bus: nothing is
// known. The bus is looked for on the worker, each wait bounded (BusLookup), and again now
// and then, so one that comes up later is used from then on; nobody waits for the look but a
// question asked while the first one runs (at most its own timeout). The main thread never waits
// for the bus: it pauses only while libatspi moves its connection onto the worker's context
// (no round trip; at most kMainPauseLimit), so that Qt's main loop never dispatches it.
class AtspiAccessibility final : public Accessibility {
public:
    // `log` hears, on the worker, that the bus cannot be used and why (once), and that it came up
    // later. Without a bus, it is looked for again every `lookAgainInterval` seconds. Make it on
    // the thread that runs the main event loop.
    explicit AtspiAccessibility(std::function<void(const QString& line)> log = {},
                                double lookAgainInterval = kLookAgainInterval);
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
    // Without a bus, how often it is looked for again.
    static constexpr double kLookAgainInterval = 30.0;
    // The longest wait for each answer while looking for the bus.
    static constexpr double kLookupTimeout = 1.0;
    // The longest the main loop pauses for the worker.
    static constexpr std::chrono::milliseconds kMainPauseLimit{250};
    // The wait for the answer about a password field.
    static constexpr double kSecureInputTimeout = 0.25;

private:
    std::shared_ptr<Worker> worker_;
    MainQueue::TimerId drainTimer_ = 0;
    MainQueue::TimerId lookAgainTimer_ = 0;
};
