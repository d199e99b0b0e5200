#include "onboarding/OnboardingAnimation.h"

#include <algorithm>
#include <cmath>

namespace OnboardingAnimation {

namespace {

double bezier(double t, double a, double b) {
    // One coordinate of the curve with end points 0 and 1 and control values a, b.
    const double u = 1.0 - t;
    return 3 * u * u * t * a + 3 * u * t * t * b + t * t * t;
}

}  // namespace

double timingCurve(double progress, double x1, double y1, double x2, double y2) {
    const double x = std::clamp(progress, 0.0, 1.0);
    if (x <= 0.0) return 0.0;
    if (x >= 1.0) return 1.0;
    // x(t) is monotonic for control x values in 0…1: bisection finds t for the given x.
    double lo = 0.0, hi = 1.0, t = x;
    for (int i = 0; i < 60; ++i) {
        t = (lo + hi) / 2;
        if (bezier(t, x1, x2) < x) lo = t; else hi = t;
    }
    return bezier((lo + hi) / 2, y1, y2);
}

double keyframeValue(const QList<double>& keyTimes, const QList<double>& values, double fraction) {
    const qsizetype n = std::min(keyTimes.size(), values.size());
    if (n == 0) return 0.0;
    const double f = std::clamp(fraction, 0.0, 1.0);
    if (f <= keyTimes[0]) return values[0];
    for (qsizetype i = 1; i < n; ++i) {
        if (f <= keyTimes[i]) {
            const double span = keyTimes[i] - keyTimes[i - 1];
            const double within = span > 0 ? (f - keyTimes[i - 1]) / span : 1.0;
            return values[i - 1] + (values[i] - values[i - 1]) * within;
        }
    }
    return values[n - 1];
}

double repeatingFraction(double now, double begin, double duration) {
    if (now < begin) return -1.0;
    if (duration <= 0) return 0.0;
    const double cycles = (now - begin) / duration;
    return cycles - std::floor(cycles);
}

}  // namespace OnboardingAnimation
