#include "onboarding/ui/OnboardingCard.h"

#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingPanel.h"
#include "onboarding/ui/OnboardingV2Palette.h"

#include <algorithm>
#include <cmath>

OnboardingCard onboardingCard(const QString& text, Qt::Alignment alignment, double width, double minHeight,
                              double fontSize, QWidget* parent) {
    auto* card = new OnboardingPanel(OnboardingV2Palette::cardFill(), OnboardingV2Palette::cardBorder(), 1, 18, parent);
    const int textWidth = std::max(1, int(std::lround(width - 32)));
    QLabel* label = onboardingWrappingLabel(text, onboardingFont(fontSize), OnboardingV2Palette::text(), card);
    label->setAlignment(alignment | Qt::AlignTop);
    const int h = onboardingTextHeight(label, textWidth);
    const int cardHeight = int(std::ceil(std::max(minHeight, h + 32.0)));
    card->resize(int(std::lround(width)), cardHeight);
    label->setGeometry(16, 16, textWidth, h);  // text at the top, 16 points of padding
    return {card, label};
}
