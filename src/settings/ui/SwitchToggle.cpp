#include "settings/ui/SwitchToggle.h"

#include "settings/ui/Palette.h"

#include <QEvent>
#include <QPainter>

SwitchToggle::SwitchToggle(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(sizeHint());
}

void SwitchToggle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = track.height() / 2;
    QColor fill = isChecked() ? Palette::accent() : Palette::withOpacity(Palette::labelColor(), 0.15);
    if (!isEnabled()) fill = Palette::withOpacity(fill, 0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, radius, radius);
    const double knob = track.height() - 4;
    const double x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    painter.setBrush(QColor(255, 255, 255));
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
}

void SwitchToggle::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (Palette::isAppearanceChange(event)) update();
}
