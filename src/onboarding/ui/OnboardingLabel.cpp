#include "onboarding/ui/OnboardingLabel.h"

#include "onboarding/ui/OnboardingFont.h"

#include <QFontMetricsF>

#include <cmath>

void setOnboardingLabelColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    label->setPalette(palette);
}

QLabel* onboardingLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TranslucentBackground);
    setOnboardingLabelColor(label, color);
    return label;
}

QLabel* onboardingWrappingLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent) {
    QLabel* label = onboardingLabel(text, font, color, parent);
    label->setWordWrap(true);
    return label;
}

int onboardingTextHeight(const QLabel* label, int width) {
    const QFontMetricsF metrics(label->font());
    const QRectF bounds = metrics.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap | int(label->alignment()),
                                               label->text());
    return std::max(1, int(std::ceil(bounds.height())));
}

QLabel* onboardingBodyLabel(const QString& text, double size, QFont::Weight weight, const QColor& color) {
    QLabel* label = onboardingWrappingLabel(text, onboardingFont(size, weight), color, nullptr);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setFixedSize(384, onboardingTextHeight(label, 384));
    return label;
}
