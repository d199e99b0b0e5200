#include "onboarding/ui/OnboardingDotsView.h"

#include "onboarding/ui/OnboardingV2Palette.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

OnboardingDotsView::OnboardingDotsView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

QSize OnboardingDotsView::sizeHint() const {
    if (count < 1) return {0, 0};
    return {int(std::lround((count - 1) * (dotSize + gap) + onWidth)), int(dotSize)};
}

QList<QRectF> OnboardingDotsView::dotRects() const {
    QList<QRectF> rects;
    double x = 0;
    const double y = height() - dotSize;  // the dots sit on the bottom edge
    for (int i = 0; i < count; ++i) {
        const double w = i == current ? onWidth : dotSize;
        rects.append(QRectF(x, y, w, dotSize));
        x += w + gap;
    }
    return rects;
}

void OnboardingDotsView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QList<QRectF> rects = dotRects();
    for (int i = 0; i < rects.size(); ++i) {
        QPainterPath dot;
        dot.addRoundedRect(rects[i], dotSize / 2, dotSize / 2);
        painter.fillPath(dot, i == current ? OnboardingV2Palette::accent() : OnboardingV2Palette::white(0.18));
    }
}
