#include "onboarding/ui/OnboardingMiniKeycap.h"

#include "onboarding/OnboardingAnimation.h"
#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingV2Palette.h"
#include "platform/Clock.h"

#include <QLabel>

#include <cmath>

namespace {
QColor keyFill(const std::optional<QColor>& tint) {
    if (!tint) return QColor(28, 42, 70);
    QColor fill = *tint;
    fill.setAlphaF(0.16f);
    return fill;
}
}  // namespace

OnboardingMiniKeycap::OnboardingMiniKeycap(const QString& key, std::optional<QColor> tint, QWidget* parent)
    : OnboardingPanel(keyFill(tint), tint.value_or(OnboardingV2Palette::cardBorder()), 1, 10, parent) {
    resize(kSize, kSize);
    label_ = onboardingLabel(key, onboardingFont(16, QFont::DemiBold), OnboardingV2Palette::text(), this);
    label_->setAlignment(Qt::AlignCenter);
    label_->setGeometry(0, kSize - 9 - 18, kSize, 18);
}

OnboardingMiniKeycap::~OnboardingMiniKeycap() { MainQueue::cancel(frame_); }

void OnboardingMiniKeycap::press() {
    pressedAt_ = Clock::monotonicNow();
    applyOffset();
    if (!frame_) frame_ = MainQueue::every(1.0 / 60, [this] { applyOffset(); });
}

double OnboardingMiniKeycap::pressOffset() const {
    if (pressedAt_ < 0) return 0;
    const double fraction = (Clock::monotonicNow() - pressedAt_) / kPressSeconds;
    if (fraction >= 1) return 0;
    return OnboardingAnimation::keyframeValue({0, 0.4, 0.6, 1}, {0, 3, 3, 0}, fraction);
}

void OnboardingMiniKeycap::applyOffset() {
    const int offset = int(std::lround(pressOffset()));
    if (offset != applied_) {
        movingSelf_ = true;
        move(x(), y() - applied_ + offset);
        movingSelf_ = false;
        applied_ = offset;
    }
    if (pressedAt_ < 0 || Clock::monotonicNow() - pressedAt_ >= kPressSeconds) MainQueue::cancel(frame_);
}

void OnboardingMiniKeycap::moveEvent(QMoveEvent* event) {
    OnboardingPanel::moveEvent(event);
    // The owner placed the key: that is its resting place now.
    if (!movingSelf_) applied_ = 0;
}
