#include "onboarding/ui/OnboardingGrowingBubble.h"

#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingV2Palette.h"

#include <QLabel>

#include <cmath>

OnboardingGrowingBubble::OnboardingGrowingBubble(double width, double height, QWidget* parent)
    : OnboardingPanel(OnboardingV2Palette::cardFill(), OnboardingV2Palette::cardBorder(), 1, 18, parent),
      innerWidth_(int(std::lround(width)) - 2 * kPad) {
    resize(int(std::lround(width)), int(std::lround(height)));
    label_ = onboardingWrappingLabel(QString(), onboardingFont(13), OnboardingV2Palette::text(), this);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setText(QString());
}

void OnboardingGrowingBubble::setText(const QString& text) {
    label_->setText(text);
    const int h = onboardingTextHeight(label_, innerWidth_);
    label_->setGeometry(kPad, height() - kPad - h, innerWidth_, h);
}
