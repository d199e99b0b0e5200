#pragma once

#include "onboarding/ui/OnboardingV2Screen.h"

#include <memory>

class BetaSettingsModel;

// The trigger key, chosen on the drawn keyboard. The screen's own settings model restarts the key
// monitoring on every change, so a new key works at once.
class OnboardingScreenTriggerKey : public OnboardingV2Screen {
public:
    OnboardingScreenTriggerKey();
    ~OnboardingScreenTriggerKey() override;

    OnboardingScreenViews makeViews(OnboardingV2Window& window) override;

    // The key the picker marks: right shift on a first run, else fn on a JIS keyboard, else
    // right option (the default of the trigger-key setting).
    static int recommendedKeyCode();
    // The model of the picker on screen (null once its views are gone).
    BetaSettingsModel* model() const { return model_.lock().get(); }

private:
    // Owned by the picker's frame, which goes with the screen's views.
    std::weak_ptr<BetaSettingsModel> model_;
};
