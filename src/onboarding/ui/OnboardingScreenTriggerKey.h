#pragma once

#include "onboarding/ui/OnboardingV2Screen.h"

// A screen of the onboarding (its heading only for now).
class OnboardingScreenTriggerKey : public OnboardingV2Screen {
public:
    OnboardingScreenViews makeViews(OnboardingV2Window& window) override;
};
