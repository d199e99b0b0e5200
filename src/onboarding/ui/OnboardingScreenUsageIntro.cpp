#include "onboarding/ui/OnboardingScreenUsageIntro.h"

OnboardingScreenViews OnboardingScreenUsageIntro::makeViews(OnboardingV2Window&) {
    return {{}, QStringLiteral("使い方"), {}};
}
