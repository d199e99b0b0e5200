#pragma once

#include <QDateTime>

// Every read of "now" goes through the installed clock, so tests can run on virtual time.
class Clock {
public:
    virtual ~Clock() = default;
    // Wall-clock time in seconds since the Unix epoch.
    virtual double now() const = 0;
    // Monotonic seconds since an arbitrary origin; use it for durations.
    virtual double uptime() const = 0;

    static void install(Clock* clock);
    static Clock& instance();

    static double wallNow() { return instance().now(); }
    static double monotonicNow() { return instance().uptime(); }
    static QDateTime currentDateTime();
};

// The real clock of the machine.
class SystemClock final : public Clock {
public:
    double now() const override;
    double uptime() const override;
};
