#pragma once

#include "onboarding/ui/OnboardingV2Screen.h"

// The last screen of the setup flow: the trigger key chosen earlier and a reminder that the
// settings can be changed at any time.
class OnboardingScreenReady : public OnboardingV2Screen {
public:
    OnboardingScreenViews makeViews(OnboardingV2Window& window) override;
};
