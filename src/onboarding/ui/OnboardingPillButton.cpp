#include "onboarding/ui/OnboardingPillButton.h"

#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingV2Palette.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

OnboardingPillButton::OnboardingPillButton(const QString& title, std::function<void()> handler, QWidget* parent)
    : QAbstractButton(parent), handler(std::move(handler)) {
    setCursor(Qt::PointingHandCursor);
    setFont(onboardingFont(15, QFont::Bold));
    setTitleText(title);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (this->handler) this->handler();
    });
}

void OnboardingPillButton::setTitleText(const QString& title) {
    setText(title);
    setAccessibleName(title);
    update();
}

void OnboardingPillButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The look is recomputed from the current size on every paint: a full pill at any height.
    QPainterPath pill;
    pill.addRoundedRect(QRectF(rect()), cornerRadius(), cornerRadius());
    painter.fillPath(pill, OnboardingV2Palette::accent());
    painter.setFont(onboardingFont(15, QFont::Bold));
    painter.setPen(OnboardingV2Palette::onAccent());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

void OnboardingPillButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    // The palette has no light variants: a theme change only asks for a fresh paint.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) update();
}
