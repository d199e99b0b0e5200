#include "settings/ui/RowLine.h"

#include "settings/ui/Palette.h"

#include <QEvent>
#include <QPainter>

RowLine::RowLine(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(1);
}

void RowLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(kInset, 0, width() - kInset, 0.5), Palette::withOpacity(Palette::separator(), 0.5));
}

void RowLine::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Palette::isAppearanceChange(event)) update();
}
