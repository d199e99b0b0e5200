#include "onboarding/ui/OnboardingScreenSwitchKeys.h"

OnboardingScreenViews OnboardingScreenSwitchKeys::makeViews(OnboardingV2Window&) {
    return {{}, QStringLiteral("録音中の切りかえ"), {}};
}
