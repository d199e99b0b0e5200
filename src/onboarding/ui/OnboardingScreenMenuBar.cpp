#include "onboarding/ui/OnboardingScreenMenuBar.h"

OnboardingScreenViews OnboardingScreenMenuBar::makeViews(OnboardingV2Window&) {
    return {{}, QStringLiteral("Mac を開いたら、いつでも。"), {}};
}
