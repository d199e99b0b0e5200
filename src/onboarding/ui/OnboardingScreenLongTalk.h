#pragma once

#include "onboarding/OnboardingLongTalkDemo.h"
#include "onboarding/ui/OnboardingV2Screen.h"

#include <QPointer>

#include "onboarding/ui/OnboardingGrowingBubble.h"

#include <QLabel>

// The long-talk screen: a fast clock runs up to five minutes while a meeting transcript grows
// in the bubble, pauses at 5:00 and starts again.
class OnboardingScreenLongTalk : public OnboardingV2Screen {
public:
    OnboardingScreenViews makeViews(OnboardingV2Window& window) override;
    void onShow(OnboardingV2Window& window) override;
    void onLeave() override;

    const OnboardingLongTalkDemo& demo() const { return demo_; }
    QLabel* timerLabel() const { return timerLabel_; }
    OnboardingGrowingBubble* bubble() const { return bubble_; }

private:
    QPointer<QLabel> timerLabel_;
    QPointer<OnboardingGrowingBubble> bubble_;
    OnboardingLongTalkDemo demo_;
};
