#include "platform/linux/ui/QtPointer.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

QPointF QtPointer::toYUp(const QPointF& global, double primaryX, double primaryY, double primaryHeight) {
    return {global.x() - primaryX, primaryY + primaryHeight - global.y()};
}

QPointF QtPointer::location() const {
    const QPoint global = QCursor::pos();
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return QPointF(global);
    const QRect geometry = primary->geometry();
    return toYUp(QPointF(global), geometry.x(), geometry.y(), geometry.height());
}
