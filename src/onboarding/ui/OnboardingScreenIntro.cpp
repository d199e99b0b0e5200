#include "onboarding/ui/OnboardingScreenIntro.h"

#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingV2Palette.h"

OnboardingScreenViews OnboardingScreenIntro::makeViews(OnboardingV2Window&) {
    return {{},
            QStringLiteral("話すだけで、文字になる。"),
            {onboardingBodyLabel(QStringLiteral("メールも、チャットも、AI への指示も。"), 14, QFont::Normal,
                                 OnboardingV2Palette::secondaryText())}};
}
