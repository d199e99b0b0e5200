#pragma once

#include "onboarding/ui/OnboardingV2Screen.h"

#include <QMetaObject>
#include <QPointer>

#include <memory>

#include "onboarding/ui/OnboardingBubbleTextView.h"
#include "onboarding/ui/OnboardingTextFade.h"

#include <QLabel>

class BetaSettingsModel;

// The practice screen: the user's first real dictation. The trigger key's normal road records,
// recognises and pastes into the bubble (a text field of this window, focused when the screen
// shows); 「入りました 🎉」 fades in as soon as any text is there, whatever it says. Below, the
// hold-style cards write `holdToTalk` at once, and the application rewires the trigger key.
class OnboardingScreenPractice : public OnboardingV2Screen {
public:
    static constexpr double kSuccessFadeSeconds = 0.4;

    ~OnboardingScreenPractice() override;

    OnboardingScreenViews makeViews(OnboardingV2Window& window) override;
    // Starts monitoring when it does not run yet (and key access is granted), then focuses the
    // bubble. Nothing in the preview.
    void onShow(OnboardingV2Window& window) override;
    // The screen stops watching the bubble.
    void onLeave() override;

    OnboardingBubbleTextView* bubble() const { return bubble_; }
    QLabel* doneLabel() const { return doneLabel_; }
    BetaSettingsModel* model() const { return model_.get(); }

private:
    void checkSuccess();
    void detach();

    QPointer<OnboardingBubbleTextView> bubble_;
    QPointer<QLabel> doneLabel_;
    QPointer<OnboardingTextFade> doneFade_;
    std::shared_ptr<BetaSettingsModel> model_;
    QMetaObject::Connection textChanged_;
};
