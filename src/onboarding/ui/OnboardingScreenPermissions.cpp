#include "onboarding/ui/OnboardingScreenPermissions.h"

OnboardingScreenViews OnboardingScreenPermissions::makeViews(OnboardingV2Window&) {
    return {{}, QStringLiteral("はじめに、これだけ。"), {}};
}
