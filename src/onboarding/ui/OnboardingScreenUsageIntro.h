#pragma once

#include "onboarding/ui/OnboardingV2Screen.h"

// The first screen of the usage guide: push to talk with the trigger key, and three promises.
class OnboardingScreenUsageIntro : public OnboardingV2Screen {
public:
    OnboardingScreenViews makeViews(OnboardingV2Window& window) override;
};
