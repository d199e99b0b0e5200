#include "settings/ui/ElidedLabel.h"

#include "settings/ui/Palette.h"

#include <QEvent>
#include <QPainter>

ElidedLabel::ElidedLabel(const QString& text, const QFont& font, ColorSource color, QWidget* parent)
    : QWidget(parent), text_(text), color_(std::move(color)) {
    setFont(font);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ElidedLabel::setText(const QString& text) {
    if (text_ == text) return;
    text_ = text;
    updateGeometry();
    update();
}

QString ElidedLabel::shownText() const { return fontMetrics().elidedText(text_, Qt::ElideRight, width()); }

QSize ElidedLabel::sizeHint() const { return {fontMetrics().horizontalAdvance(text_) + 1, fontMetrics().height()}; }

QSize ElidedLabel::minimumSizeHint() const { return {0, fontMetrics().height()}; }

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(color_ ? color_() : Palette::systemSecondary());
    painter.drawText(rect(), Qt::AlignVCenter | Qt::AlignRight, shownText());
}

void ElidedLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) updateGeometry();
    if (Palette::isAppearanceChange(event)) update();
}
