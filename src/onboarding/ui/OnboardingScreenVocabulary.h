#pragma once

#include "onboarding/OnboardingVocabularyDemo.h"
#include "onboarding/ui/OnboardingV2Screen.h"

#include <QPointer>

#include <QLabel>

// The vocabulary screen: the kana reading of a registered word is marked and turns into its
// registered spelling, over and over.
class OnboardingScreenVocabulary : public OnboardingV2Screen {
public:
    OnboardingScreenViews makeViews(OnboardingV2Window& window) override;
    void onShow(OnboardingV2Window& window) override;
    void onLeave() override;

    const OnboardingVocabularyDemo& demo() const { return demo_; }
    QLabel* bubbleLabel() const { return bubbleLabel_; }

private:
    void showState(OnboardingVocabularyDemo::State state);

    QPointer<QLabel> bubbleLabel_;
    OnboardingVocabularyDemo demo_;
};
