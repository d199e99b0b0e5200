#include "onboarding/ui/OnboardingScreenTone.h"

#include "onboarding/ui/OnboardingCard.h"
#include "onboarding/ui/OnboardingChipView.h"
#include "onboarding/ui/OnboardingHStack.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingStackView.h"
#include "onboarding/ui/OnboardingTextFade.h"
#include "onboarding/ui/OnboardingV2Palette.h"

#include <QLabel>

OnboardingScreenViews OnboardingScreenTone::makeViews(OnboardingV2Window&) {
    demo_.stop();
    QLabel* caption = onboardingBodyLabel(QStringLiteral("話し言葉のままで、だいじょうぶ。"), 14, QFont::Normal,
                                          OnboardingV2Palette::secondaryText());
    chips_.clear();
    QList<QWidget*> chipViews;
    for (int i = 0; i < OnboardingToneDemo::kCount; ++i) {
        auto* chip = new OnboardingChipView(OnboardingToneDemo::chipTitle(i), i == 0, OnboardingV2Palette::accent());
        chips_ << chip;
        chipViews << chip;
    }
    auto* chipRow = new OnboardingHStack(chipViews, 8, 384);
    const OnboardingCard card = onboardingCard(OnboardingToneDemo::sample(0), Qt::AlignLeft, 340, 72, 14);
    bubbleLabel_ = card.label;
    fade_ = new OnboardingTextFade(card.label, OnboardingV2Palette::text(), 1);
    auto* stack = new OnboardingStackView({chipRow, card.card}, 14, 384);
    return {{}, QStringLiteral("相手に合わせて、ととのう。"), {caption, stack}};
}

void OnboardingScreenTone::onShow(OnboardingV2Window&) {
    demo_.onFade = [this](double opacity, double seconds) {
        if (fade_) fade_->fadeTo(opacity, seconds);
    };
    demo_.onChange = [this](int index) {
        for (int i = 0; i < chips_.size(); ++i)
            if (chips_[i]) chips_[i]->setIsOn(i == index);
        if (bubbleLabel_) bubbleLabel_->setText(OnboardingToneDemo::sample(index));
    };
    demo_.start();
}

void OnboardingScreenTone::onLeave() {
    demo_.stop();
    if (fade_) fade_->stop();
}

QList<OnboardingChipView*> OnboardingScreenTone::chips() const {
    QList<OnboardingChipView*> list;
    for (const auto& chip : chips_) list << chip.data();
    return list;
}
