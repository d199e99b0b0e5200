#include "onboarding/ui/OnboardingCheckButton.h"

#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingPanel.h"
#include "onboarding/ui/OnboardingV2Palette.h"

#include <QPainter>

OnboardingCheckButton::OnboardingCheckButton(std::function<void()> handler, QWidget* parent)
    : QAbstractButton(parent), handler(std::move(handler)) {
    resize(26, 26);
    setText(QStringLiteral("✓"));
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (actsOnClick() && this->handler) this->handler();
    });
    applyStyle();
}

void OnboardingCheckButton::applyStyle() {
    if (actsOnClick()) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::StrongFocus);
    } else {
        unsetCursor();
        setFocusPolicy(Qt::NoFocus);
    }
    update();
}

void OnboardingCheckButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    OnboardingPanel::paint(painter, QRectF(rect()), isOn ? OnboardingV2Palette::green() : QColor(Qt::transparent),
                           isOn ? OnboardingV2Palette::green() : OnboardingV2Palette::white(0.2), 1.5,
                           height() / 2.0);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(onboardingFont(13, QFont::Bold));
    painter.setPen(isOn ? QColor(Qt::white) : OnboardingV2Palette::white(0.55));
    painter.drawText(rect(), Qt::AlignCenter, text());
}
