#include "onboarding/ui/OnboardingScreenTone.h"

OnboardingScreenViews OnboardingScreenTone::makeViews(OnboardingV2Window&) {
    return {{}, QStringLiteral("トーンを、えらべる。"), {}};
}
