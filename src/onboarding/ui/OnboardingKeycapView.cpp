#include "onboarding/ui/OnboardingKeycapView.h"

#include "onboarding/OnboardingAnimation.h"
#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingPanel.h"
#include "onboarding/ui/OnboardingV2Palette.h"
#include "platform/Clock.h"

#include <QPainter>

#include <cmath>

namespace {
constexpr double kLoopSeconds = 5.0;
constexpr double kFrameSeconds = 1.0 / 60;
}  // namespace

QString OnboardingKeycapView::modifierSymbol(int keyCode) {
    // Only the shift keys carry a symbol on a PC keyboard. Super, Alt and Ctrl are printed as
    // words, and the key's name below already says them ("右Super", "右Alt").
    switch (keyCode) {
    case 56: case 60: return QStringLiteral("⇧");
    default: return {};
    }
}

OnboardingKeycapView::OnboardingKeycapView(bool pressed, bool animated, bool compact, const QString& label,
                                           int keyCode, QWidget* parent)
    : QWidget(parent), pressed_(pressed), animated_(animated), compact_(compact), depth_(compact ? 7 : 9),
      started_(Clock::monotonicNow()) {
    setAttribute(Qt::WA_TranslucentBackground);
    const int h = compact ? 56 : 68;
    resize(compact ? 150 : 180, h);
    const QString symbol = modifierSymbol(keyCode);
    if (!symbol.isEmpty()) {
        symbol_ = onboardingLabel(symbol, onboardingFont(compact ? 13 : 15), OnboardingV2Palette::accent(), this);
        symbol_->setGeometry(compact ? QRect(12, h - 30 - 16, 18, 16) : QRect(14, h - 38 - 18, 20, 18));
    }
    text_ = onboardingLabel(label, onboardingFont(compact ? 16 : 19, QFont::Bold), OnboardingV2Palette::text(), this);
    text_->setAlignment(Qt::AlignCenter);
    const QRect textRect = compact ? QRect(6, h - 18 - 20, 138, 20) : QRect(8, h - 23 - 24, 164, 24);
    text_->setGeometry(textRect);
    text_->setText(text_->fontMetrics().elidedText(label, Qt::ElideRight, textRect.width()));
}

OnboardingKeycapView::~OnboardingKeycapView() { MainQueue::cancel(frameTimer_); }

double OnboardingKeycapView::pressOffset(double uptime) const {
    if (!animated_) return pressed_ ? depth_ : 0;
    const double fraction = OnboardingAnimation::repeatingFraction(uptime, started_, kLoopSeconds);
    return OnboardingAnimation::keyframeValue({0, 0.58, 0.64, 0.88, 1}, {0, 0, depth_, depth_, 0},
                                              std::max(0.0, fraction));
}

void OnboardingKeycapView::applyOffset() {
    const int offset = int(std::lround(pressOffset(Clock::monotonicNow())));
    if (offset == applied_) return;
    movingSelf_ = true;
    move(x(), y() - applied_ + offset);
    movingSelf_ = false;
    applied_ = offset;
}

void OnboardingKeycapView::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (movingSelf_) return;
    // The owner placed the key: that is its resting place now.
    applied_ = 0;
    if (isVisible()) applyOffset();
}

void OnboardingKeycapView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    applyOffset();
    if (animated_ && !frameTimer_) frameTimer_ = MainQueue::every(kFrameSeconds, [this] { applyOffset(); });
}

void OnboardingKeycapView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    MainQueue::cancel(frameTimer_);
    // Back to the resting place while hidden, so the owner sees the position it set.
    if (applied_ != 0) {
        movingSelf_ = true;
        move(x(), y() - applied_);
        movingSelf_ = false;
        applied_ = 0;
    }
}

void OnboardingKeycapView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    OnboardingPanel::paint(painter, QRectF(rect()), QColor(28, 42, 70), OnboardingV2Palette::cardBorder(), 1,
                           compact_ ? 14 : 18);
}
