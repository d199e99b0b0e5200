#include "onboarding/ui/OnboardingWaveformView.h"

#include "onboarding/OnboardingAnimation.h"
#include "onboarding/ui/OnboardingV2Palette.h"
#include "platform/Clock.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

OnboardingWaveformView::OnboardingWaveformView(int bars, double width, QWidget* parent)
    : QWidget(parent), bars_(std::max(0, bars)), width_(width), started_(Clock::monotonicNow()) {
    setAttribute(Qt::WA_TranslucentBackground);
    resize(int(std::lround(width)), 30);
}

OnboardingWaveformView::~OnboardingWaveformView() { MainQueue::cancel(frameTimer_); }

QRectF OnboardingWaveformView::barRect(int index, double uptime) const {
    const double centreX = width_ / bars_ * (index + 0.5);
    const double fraction = OnboardingAnimation::repeatingFraction(uptime, started_ + (index % 4) * 0.15, 1.2);
    const double h = fraction < 0 ? 6.0 : OnboardingAnimation::keyframeValue({0, 0.45, 0.7, 1}, {6, 6, 26, 26}, fraction);
    return QRectF(centreX - 2.5, 15 - h / 2, 5, h);
}

void OnboardingWaveformView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double now = Clock::monotonicNow();
    for (int i = 0; i < bars_; ++i) {
        QPainterPath bar;
        bar.addRoundedRect(barRect(i, now), 2.5, 2.5);
        painter.fillPath(bar, OnboardingV2Palette::accent());
    }
}

void OnboardingWaveformView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (bars_ > 0 && !frameTimer_) frameTimer_ = MainQueue::every(1.0 / 60, [this] { update(); });
}

void OnboardingWaveformView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    MainQueue::cancel(frameTimer_);
}
