#include "onboarding/ui/OnboardingScreenTriggerKey.h"

OnboardingScreenViews OnboardingScreenTriggerKey::makeViews(OnboardingV2Window&) {
    return {{}, QStringLiteral("押しながら話すキーを、えらぶ。"), {}};
}
