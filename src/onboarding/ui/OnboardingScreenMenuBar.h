#pragma once

#include "onboarding/ui/OnboardingV2Screen.h"
#include "settings/ui/SwitchToggle.h"

#include <QPointer>

#include <functional>


// The application lives in the tray: a drawn screen with the application's icon glowing in its
// menu bar, the real tray icon pulsing while the screen is shown (not in the preview), and the
// launch-at-login switch.
class OnboardingScreenMenuBar : public OnboardingV2Screen {
public:
    static const QString kHeading;

    ~OnboardingScreenMenuBar() override;

    OnboardingScreenViews makeViews(OnboardingV2Window& window) override;
    void onShow(OnboardingV2Window& window) override;
    void onLeave() override;

    SwitchToggle* loginSwitch() const { return switch_; }

private:
    QPointer<OnboardingV2Window> windowRef_;
    QPointer<SwitchToggle> switch_;
    bool pulsing_ = false;
    // The pulse's end, kept from the window that started it (it may be gone by onLeave).
    std::function<void()> stopPulse_;
};
