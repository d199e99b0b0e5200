#include "onboarding/ui/OnboardingSwitchKeyDiagram.h"

#include "core/AppPrefs.h"
#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingKeycapView.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingMiniKeycap.h"
#include "onboarding/ui/OnboardingV2Palette.h"

#include <QLabel>

#include <cmath>

OnboardingSwitchKeyDiagram::OnboardingSwitchKeyDiagram(const QColor& qualityTint, const QColor& styleTint, double width,
                                                       QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    const int w = int(std::lround(width));
    resize(w, kHeight);

    auto* keycap =
        new OnboardingKeycapView(true, false, true, AppPrefs::triggerKeyName(), AppPrefs::triggerKeyCode(), this);
    QLabel* caption = onboardingWrappingLabel(QStringLiteral("押したまま"), onboardingFont(11),
                                              OnboardingV2Palette::tertiaryText(), this);
    caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    const int captionHeight = onboardingTextHeight(caption, keycap->width());
    QLabel* plus = onboardingLabel(QStringLiteral("＋"), onboardingFont(22), OnboardingV2Palette::tertiaryText(), this);
    plus->adjustSize();

    // The arrow cluster: ← ↓ → on the bottom row, ↑ above ↓, 6 points apart.
    constexpr int k = OnboardingMiniKeycap::kSize;
    auto* cluster = new QWidget(this);
    cluster->setAttribute(Qt::WA_TranslucentBackground);
    cluster->resize(3 * k + 12, 2 * k + 6);
    upKey_ = new OnboardingMiniKeycap(QStringLiteral("↑"), qualityTint, cluster);
    auto* down = new OnboardingMiniKeycap(QStringLiteral("↓"), qualityTint, cluster);
    auto* left = new OnboardingMiniKeycap(QStringLiteral("←"), styleTint, cluster);
    rightKey_ = new OnboardingMiniKeycap(QStringLiteral("→"), styleTint, cluster);
    left->move(0, k + 6);
    down->move(k + 6, k + 6);
    rightKey_->move(2 * (k + 6), k + 6);
    upKey_->move(k + 6, 0);

    // keycap, ＋ and cluster as one centred row, 28 apart.
    const int total = keycap->width() + 28 + plus->width() + 28 + cluster->width();
    int x = (w - total) / 2;
    const int columnHeight = keycap->height() + 6 + captionHeight;
    const int columnTop = (kHeight - columnHeight) / 2;
    keycap->move(x, columnTop);
    caption->setGeometry(x, columnTop + keycap->height() + 6, keycap->width(), captionHeight);
    x += keycap->width() + 28;
    plus->move(x, (kHeight - plus->height()) / 2);
    x += plus->width() + 28;
    cluster->move(x, (kHeight - cluster->height()) / 2);
}
