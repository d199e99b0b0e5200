#include "onboarding/ui/OnboardingScreenUsageIntro.h"

#include "core/AppPrefs.h"
#include "onboarding/ui/OnboardingItemRow.h"
#include "onboarding/ui/OnboardingKeycapView.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingV2Palette.h"

OnboardingScreenViews OnboardingScreenUsageIntro::makeViews(OnboardingV2Window&) {
    // The keycap's own press loop is the screen's only motion.
    auto* keycap = new OnboardingKeycapView(false, true, false, AppPrefs::triggerKeyName(), AppPrefs::triggerKeyCode());
    QList<QWidget*> bottom{onboardingBodyLabel(
        QStringLiteral("キーを長押ししながら話すと、話したことがそのまま文字になります。離すと入ります。"), 14,
        QFont::Normal, OnboardingV2Palette::secondaryText())};
    const struct {
        const char16_t* icon;
        const char16_t* title;
    } kRows[] = {{u"🎤", u"話すと、その場で文字になります"},
                 {u"⌨️", u"カーソルの位置に、そのまま入ります"},
                 {u"💬", u"メールでもチャットでも、どこでも使えます"}};
    for (const auto& row : kRows)
        bottom << new OnboardingItemRow(QString::fromUtf16(row.icon), QString::fromUtf16(row.title), QString(), nullptr, 384);
    return {{keycap}, QStringLiteral("押して、話す。"), bottom};
}
