#pragma once

#include <QList>

// Time curves of the onboarding's animations, as pure functions of time so that a view can
// draw any moment (and a test can look at any moment of virtual time).
namespace OnboardingAnimation {

// The cubic timing curve through (0, 0), (x1, y1), (x2, y2), (1, 1): the eased progress for
// a linear progress in 0…1 (clamped).
double timingCurve(double progress, double x1, double y1, double x2, double y2);

// Linear interpolation between key frames: `keyTimes` ascending in 0…1, one value each.
// `fraction` outside 0…1 is clamped.
double keyframeValue(const QList<double>& keyTimes, const QList<double>& values, double fraction);

// The fraction (0…1) of a repeating animation of `duration` seconds that began at `begin`,
// at time `now`; a negative value while the animation has not begun.
double repeatingFraction(double now, double begin, double duration);

}  // namespace OnboardingAnimation
