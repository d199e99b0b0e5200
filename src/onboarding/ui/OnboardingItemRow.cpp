#include "onboarding/ui/OnboardingItemRow.h"

#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingV2Palette.h"

#include <algorithm>
#include <cmath>

OnboardingItemRow::OnboardingItemRow(const QString& icon, const QString& title, const QString& detail,
                                     QWidget* trailing, double width, QWidget* parent)
    : OnboardingPanel(OnboardingV2Palette::cardFill(), OnboardingV2Palette::cardBorder(), 1, 14, parent) {
    const int W = int(std::lround(width));
    int x = 14;
    if (!icon.isEmpty()) {
        tile_ = new OnboardingPanel(OnboardingV2Palette::selectedFill(), Qt::transparent, 0, 10, this);
        tile_->resize(38, 38);
        QLabel* glyph = onboardingLabel(icon, onboardingFont(16), OnboardingV2Palette::text(), tile_);
        glyph->setAlignment(Qt::AlignCenter);
        glyph->setGeometry(0, 9, 38, 20);
        x = 62;
    }
    const int t = trailing ? trailing->width() + 8 : 0;
    const int w = std::max(40, W - x - 14 - t);

    title_ = onboardingLabel(title, onboardingFont(14), OnboardingV2Palette::text(), this);
    int b = 18;
    int d = 0;
    if (!detail.isEmpty()) {
        detail_ = onboardingWrappingLabel(detail, onboardingFont(12), OnboardingV2Palette::tertiaryText(), this);
        detail_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        d = onboardingTextHeight(detail_, w);
        b += d + 3;
    }
    const int R = std::max(58, b + 20);
    resize(W, R);

    if (tile_) tile_->move(14, (R - 38) / 2);
    // The text block is centred vertically, the title on top and the detail 3 points under it.
    const int titleTop = (R - b) / 2;
    title_->setGeometry(x, titleTop, w, 18);
    if (detail_) detail_->setGeometry(x, titleTop + 18 + 3, w, d);
    if (trailing) {
        trailing->setParent(this);
        trailing->move(W - 14 - trailing->width(), (R - trailing->height()) / 2);
        trailingView = trailing;
    }
}
