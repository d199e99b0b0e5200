#include "platform/Clock.h"

#include <QTimeZone>
#include <atomic>
#include <chrono>
#include <cmath>

namespace {
std::atomic<Clock*> installedClock{nullptr};
}

void Clock::install(Clock* clock) { installedClock.store(clock); }

Clock& Clock::instance() {
    Clock* clock = installedClock.load();
    if (!clock) {
        static SystemClock fallback;
        return fallback;
    }
    return *clock;
}

QDateTime Clock::currentDateTime() {
    const double seconds = instance().now();
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(seconds * 1000.0)), QTimeZone::utc());
}

double SystemClock::now() const {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

double SystemClock::uptime() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
