#include "onboarding/ui/OnboardingScreenPractice.h"

OnboardingScreenViews OnboardingScreenPractice::makeViews(OnboardingV2Window&) {
    return {{}, QStringLiteral("試しに、話してみる。"), {}};
}
