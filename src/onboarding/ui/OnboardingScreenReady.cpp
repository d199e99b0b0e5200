#include "onboarding/ui/OnboardingScreenReady.h"

#include "core/AppPrefs.h"
#include "onboarding/ui/OnboardingKeycapView.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingStackView.h"
#include "onboarding/ui/OnboardingV2Palette.h"

OnboardingScreenViews OnboardingScreenReady::makeViews(OnboardingV2Window&) {
    QLabel* note = onboardingBodyLabel(
        QStringLiteral("聞き取りの正確さ（クオリティ）や起動キーは、\n設定画面でいつでも変えられます。"), 14, QFont::Normal,
        OnboardingV2Palette::secondaryText());
    auto* keycap = new OnboardingKeycapView(false, false, false, AppPrefs::triggerKeyName(), AppPrefs::triggerKeyCode());
    QLabel* caption =
        onboardingBodyLabel(QStringLiteral("押しながら、話す"), 13, QFont::Normal, OnboardingV2Palette::tertiaryText());
    auto* stack = new OnboardingStackView({keycap, caption}, 10, 384);
    return {{}, QStringLiteral("準備が、できました。"), {note, stack}};
}
