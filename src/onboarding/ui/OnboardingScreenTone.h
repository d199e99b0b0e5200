#pragma once

#include "onboarding/OnboardingToneDemo.h"
#include "onboarding/ui/OnboardingV2Screen.h"

#include <QList>
#include <QPointer>

#include "onboarding/ui/OnboardingChipView.h"
#include "onboarding/ui/OnboardingTextFade.h"

#include <QLabel>

// The tone screen: one sentence cycles through three registers (上司に, 友だちに, そのまま),
// its chip lighting up as the sentence changes.
class OnboardingScreenTone : public OnboardingV2Screen {
public:
    OnboardingScreenViews makeViews(OnboardingV2Window& window) override;
    void onShow(OnboardingV2Window& window) override;
    void onLeave() override;

    const OnboardingToneDemo& demo() const { return demo_; }
    QLabel* bubbleLabel() const { return bubbleLabel_; }
    QList<OnboardingChipView*> chips() const;

private:
    QList<QPointer<OnboardingChipView>> chips_;
    QPointer<QLabel> bubbleLabel_;
    QPointer<OnboardingTextFade> fade_;
    OnboardingToneDemo demo_;
};
