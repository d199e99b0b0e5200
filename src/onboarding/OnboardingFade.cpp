#include "onboarding/OnboardingFade.h"

#include "onboarding/OnboardingAnimation.h"
#include "platform/Clock.h"

void OnboardingFade::start(double target, double seconds) {
    from_ = value();
    to_ = target;
    startedAt_ = Clock::monotonicNow();
    duration_ = seconds > 0 ? seconds : 0;
}

void OnboardingFade::set(double value) {
    from_ = to_ = value;
    duration_ = 0;
}

double OnboardingFade::value() const {
    if (duration_ <= 0) return to_;
    const double progress = (Clock::monotonicNow() - startedAt_) / duration_;
    if (progress >= 1) return to_;
    return from_ + (to_ - from_) * OnboardingAnimation::timingCurve(progress, 0.42, 0, 0.58, 1);
}

bool OnboardingFade::isMoving() const {
    return duration_ > 0 && Clock::monotonicNow() - startedAt_ < duration_;
}
