#include "onboarding/ui/OnboardingChipView.h"

#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingV2Palette.h"

OnboardingChipView::OnboardingChipView(const QString& title, bool on, QColor onColor, QWidget* parent)
    : OnboardingPanel(OnboardingV2Palette::cardFill(), OnboardingV2Palette::cardBorder(), 1, 15, parent),
      onColor_(onColor), isOn_(on) {
    label_ = onboardingLabel(title, onboardingFont(13), OnboardingV2Palette::tertiaryText(), this);
    label_->setAlignment(Qt::AlignCenter);
    label_->adjustSize();
    const int width = label_->width() + 28;
    resize(width, 30);
    label_->move((width - label_->width()) / 2, (30 - label_->height()) / 2);
    applyStyle();
}

void OnboardingChipView::setIsOn(bool on) {
    isOn_ = on;
    applyStyle();
}

void OnboardingChipView::applyStyle() {
    if (isOn_) {
        setColors(onColor_, onColor_);
        setOnboardingLabelColor(label_, OnboardingV2Palette::onAccent());
    } else {
        setColors(OnboardingV2Palette::cardFill(), OnboardingV2Palette::cardBorder());
        setOnboardingLabelColor(label_, OnboardingV2Palette::tertiaryText());
    }
}
