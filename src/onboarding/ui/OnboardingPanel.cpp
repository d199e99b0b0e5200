#include "onboarding/ui/OnboardingPanel.h"

#include <QPainter>
#include <QPainterPath>

OnboardingPanel::OnboardingPanel(QColor fill, QColor border, double borderWidth, double radius, QWidget* parent)
    : QWidget(parent), fill_(fill), border_(border), borderWidth_(borderWidth), radius_(radius) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void OnboardingPanel::setColors(QColor fill, QColor border) {
    fill_ = fill;
    border_ = border;
    update();
}

void OnboardingPanel::paint(QPainter& painter, const QRectF& bounds, const QColor& fill, const QColor& border,
                            double borderWidth, double radius) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(bounds, radius, radius);
    painter.fillPath(shape, fill);
    if (borderWidth > 0 && border.alpha() > 0) {
        const double inset = borderWidth / 2;
        QPainterPath outline;
        outline.addRoundedRect(bounds.adjusted(inset, inset, -inset, -inset), std::max(0.0, radius - inset),
                               std::max(0.0, radius - inset));
        painter.setPen(QPen(border, borderWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(outline);
    }
    painter.restore();
}

void OnboardingPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(rect()), fill_, border_, borderWidth_, radius_);
}
