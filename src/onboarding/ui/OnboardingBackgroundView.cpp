#include "onboarding/ui/OnboardingBackgroundView.h"

#include "onboarding/ui/OnboardingV2Palette.h"

#include <QPainter>
#include <QRadialGradient>

#include <cmath>

OnboardingBackgroundView::OnboardingBackgroundView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void OnboardingBackgroundView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF bounds = rect();
    painter.fillRect(bounds, OnboardingV2Palette::backgroundDeep());
    // The centre lies a twentieth of the height above the top edge.
    const QPointF centre(bounds.width() / 2, -0.05 * bounds.height());
    QRadialGradient glow(centre, 1.05 * std::hypot(bounds.width(), bounds.height()));
    glow.setColorAt(0, QColor(27, 43, 78));
    glow.setColorAt(0.55, OnboardingV2Palette::background());
    glow.setColorAt(1, OnboardingV2Palette::backgroundDeep());
    glow.setSpread(QGradient::PadSpread);
    painter.fillRect(bounds, glow);
}
