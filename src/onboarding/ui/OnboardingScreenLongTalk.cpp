#include "onboarding/ui/OnboardingScreenLongTalk.h"

OnboardingScreenViews OnboardingScreenLongTalk::makeViews(OnboardingV2Window&) {
    return {{}, QStringLiteral("長く話しても、大丈夫。"), {}};
}
