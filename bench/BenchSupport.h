#pragma once

// What the benchmarks share: milliseconds of a duration, the median of samples, a wait that keeps
// the event loop running, and how many runs to make (few when scripts/test only checks that every
// benchmark still works, QUENDLE_BENCH_SMOKE).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QVector>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

inline bool pumpUntil(const std::function<bool()>& done, int limitMs = 2000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < limitMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return done();
}

inline bool smoke() { return std::getenv("QUENDLE_BENCH_SMOKE") != nullptr; }
inline int runs(int wanted) { return smoke() ? std::min(wanted, 2) : wanted; }

}  // namespace bench
