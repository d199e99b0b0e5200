#include "onboarding/ui/OnboardingLinkButton.h"

#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingV2Palette.h"

#include <QFontMetrics>
#include <QPainter>

OnboardingLinkButton::OnboardingLinkButton(const QString& title, std::function<void()> handler, QWidget* parent)
    : QAbstractButton(parent), handler(std::move(handler)) {
    setCursor(Qt::PointingHandCursor);
    setFont(onboardingFont(13));
    setText(title);
    setAccessibleName(title);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (this->handler) this->handler();
    });
}

QSize OnboardingLinkButton::sizeHint() const {
    const QFontMetrics metrics(onboardingFont(13));
    return {metrics.horizontalAdvance(text()) + 4, metrics.height() + 4};
}

void OnboardingLinkButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(onboardingFont(13));
    painter.setPen(OnboardingV2Palette::tertiaryText());
    painter.drawText(rect(), Qt::AlignCenter, text());
}
