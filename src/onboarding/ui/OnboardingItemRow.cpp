#include "onboarding/ui/OnboardingItemRow.h"

#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingV2Palette.h"

#include <algorithm>
#include <cmath>

OnboardingItemRow::OnboardingItemRow(const QString& icon, const QString& title, const QString& detail,
                                     QWidget* trailing, double width, QWidget* parent)
    : OnboardingPanel(OnboardingV2Palette::cardFill(), OnboardingV2Palette::cardBorder(), 1, 14, parent),
      width_(int(std::lround(width))) {
    if (!icon.isEmpty()) {
        tile_ = new OnboardingPanel(OnboardingV2Palette::selectedFill(), Qt::transparent, 0, 10, this);
        tile_->resize(38, 38);
        QLabel* glyph = onboardingLabel(icon, onboardingFont(16), OnboardingV2Palette::text(), tile_);
        glyph->setAlignment(Qt::AlignCenter);
        glyph->setGeometry(0, 9, 38, 20);
    }
    title_ = onboardingLabel(title, onboardingFont(14), OnboardingV2Palette::text(), this);
    if (trailing) {
        trailing->setParent(this);
        trailingView = trailing;
    }
    setDetail(detail);
}

void OnboardingItemRow::setDetail(const QString& detail) {
    if (detail.isEmpty()) {
        delete detail_;
        detail_ = nullptr;
    } else if (!detail_) {
        detail_ = onboardingWrappingLabel(detail, onboardingFont(12), OnboardingV2Palette::tertiaryText(), this);
        detail_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        detail_->show();
    } else {
        detail_->setText(detail);
    }
    arrange();
}

void OnboardingItemRow::arrange() {
    const int W = width_;
    const int x = tile_ ? 62 : 14;
    QWidget* trailing = trailingView;
    const int t = trailing ? trailing->width() + 8 : 0;
    const int w = std::max(40, W - x - 14 - t);

    int b = 18;
    int d = 0;
    if (detail_) {
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
    if (trailing) trailing->move(W - 14 - trailing->width(), (R - trailing->height()) / 2);
}
