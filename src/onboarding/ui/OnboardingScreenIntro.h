#pragma once

#include "onboarding/ui/OnboardingV2Screen.h"

// The first screen of the setup flow: what the application does, in one heading and one line.
class OnboardingScreenIntro : public OnboardingV2Screen {
public:
    OnboardingScreenViews makeViews(OnboardingV2Window& window) override;
};
