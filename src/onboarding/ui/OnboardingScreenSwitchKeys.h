#pragma once

#include "onboarding/OnboardingSwitchKeysDemo.h"
#include "onboarding/ui/OnboardingV2Screen.h"

#include <QColor>
#include <QList>
#include <QPointer>

#include "onboarding/ui/OnboardingChipView.h"
#include "onboarding/ui/OnboardingMiniKeycap.h"

// The switch-keys screen of the usage guide: while the trigger key is held, ↑↓ switch the
// quality and ←→ the cleanup style. A loop presses ↑ and → in turn and moves the highlight
// through the quality and style chips.
class OnboardingScreenSwitchKeys : public OnboardingV2Screen {
public:
    OnboardingScreenViews makeViews(OnboardingV2Window& window) override;
    void onShow(OnboardingV2Window& window) override;
    void onLeave() override;

    const OnboardingSwitchKeysDemo& demo() const { return demo_; }
    QList<OnboardingChipView*> qualityChips() const { return unwrap(qualityChips_); }
    QList<OnboardingChipView*> styleChips() const { return unwrap(styleChips_); }
    OnboardingMiniKeycap* upKey() const { return upKey_; }
    OnboardingMiniKeycap* rightKey() const { return rightKey_; }

private:
    static QList<OnboardingChipView*> unwrap(const QList<QPointer<OnboardingChipView>>& chips);
    static void light(const QList<QPointer<OnboardingChipView>>& chips, int on);

    QList<QPointer<OnboardingChipView>> qualityChips_;
    QList<QPointer<OnboardingChipView>> styleChips_;
    QPointer<OnboardingMiniKeycap> upKey_;
    QPointer<OnboardingMiniKeycap> rightKey_;
    OnboardingSwitchKeysDemo demo_;
};
