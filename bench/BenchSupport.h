#pragma once

// What the benchmarks share: milliseconds of a duration, the median of samples, a wait that keeps
// the event loop running, synthesised speech without its quiet ends, and how many runs to make (few
// when scripts/test only checks that every benchmark still works, QUENDLE_BENCH_SMOKE).
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

// 16 kHz `speech` without the quiet the synthesiser puts before and after it (10 ms frames below
// 36 dB), so that phrases can be joined with pauses of a known length.
inline QVector<int16_t> trimmed(const QVector<int16_t>& speech) {
    auto loud = [&](qsizetype frame) {
        double energy = 0;
        for (qsizetype i = frame * 160; i < frame * 160 + 160; ++i) energy += double(speech[i]) * speech[i];
        return 10.0 * std::log10(energy / 160 + 1.0) >= 36.0;
    };
    qsizetype first = 0, last = speech.size() / 160;
    while (first < last && !loud(first)) ++first;
    while (last > first && !loud(last - 1)) --last;
    return speech.mid(first * 160, (last - first) * 160);
}

inline bool smoke() { return std::getenv("QUENDLE_BENCH_SMOKE") != nullptr; }
inline int runs(int wanted) { return smoke() ? std::min(wanted, 2) : wanted; }

}  // namespace bench
