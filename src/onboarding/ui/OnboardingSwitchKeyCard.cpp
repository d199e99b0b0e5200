#include "onboarding/ui/OnboardingSwitchKeyCard.h"

#include "onboarding/ui/OnboardingChipView.h"
#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingMiniKeycap.h"
#include "onboarding/ui/OnboardingV2Palette.h"

#include <QLabel>

#include <algorithm>
#include <cmath>

OnboardingSwitchKeyCard::OnboardingSwitchKeyCard(const QStringList& keys, const QColor& tint, const QString& title,
                                                 const QString& note, const QList<OnboardingChipView*>& chips,
                                                 double width, QWidget* parent)
    : OnboardingPanel(OnboardingV2Palette::cardFill(), OnboardingV2Palette::cardBorder(), 1, 14, parent) {
    const int w = int(std::lround(width));
    constexpr int k = OnboardingMiniKeycap::kSize;
    const int n = int(keys.size());
    const int gaps = std::max(n - 1, 0);
    const int textX = 14 + k * n + 6 * gaps + 14;
    const int textWidth = std::max(w - textX - 14, 40);

    QLabel* noteLabel = nullptr;
    int noteBlock = 0;
    int noteHeight = 0;
    if (!note.isEmpty()) {
        noteLabel =
            onboardingWrappingLabel(note, onboardingFont(12), OnboardingV2Palette::tertiaryText(), this);
        noteLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        noteHeight = onboardingTextHeight(noteLabel, textWidth);
        noteBlock = noteHeight + 4;
    }
    const int h = noteBlock + 76;
    resize(w, h);

    for (int i = 0; i < n; ++i) {
        auto* key = new OnboardingMiniKeycap(keys[i], tint, this);
        key->move(14 + i * (k + 6), (h - k) / 2);
    }

    // From the top: title, note, chips; the block centred vertically.
    const int chipHeight = chips.isEmpty() ? 0 : chips.first()->height();
    const int free = h - (chipHeight + noteBlock + 18 + 8);
    const int top = free - free / 2;  // the rest of the free space above the title
    QLabel* titleLabel = onboardingLabel(title, onboardingFont(14), OnboardingV2Palette::text(), this);
    titleLabel->setGeometry(textX, top, textWidth, 18);
    if (noteLabel) noteLabel->setGeometry(textX, top + 18 + 4, textWidth, noteHeight);
    int x = textX;
    for (OnboardingChipView* chip : chips) {
        chip->setParent(this);
        chip->move(x, h - free / 2 - chipHeight);
        x += chip->width() + 8;
    }
}
