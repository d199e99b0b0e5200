#include "onboarding/ui/OnboardingScreenReady.h"

OnboardingScreenViews OnboardingScreenReady::makeViews(OnboardingV2Window&) {
    return {{}, QStringLiteral("さあ、はじめよう。"), {}};
}
