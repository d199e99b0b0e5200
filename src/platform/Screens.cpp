#include "platform/Screens.h"

#include <atomic>

namespace {
std::atomic<Screens*> installedScreens{nullptr};
}

void Screens::install(Screens* screens) { installedScreens.store(screens); }
Screens* Screens::installed() { return installedScreens.load(); }

namespace {
double primaryHeight() {
    Screens* screens = installedScreens.load();
    if (!screens) return 0.0;
    const QList<Screens::Screen> all = screens->all();
    return all.isEmpty() ? 0.0 : all.first().frame.height();
}
QRectF flip(const QRectF& r) { return QRectF(r.x(), primaryHeight() - (r.y() + r.height()), r.width(), r.height()); }
QPointF flip(const QPointF& p) { return QPointF(p.x(), primaryHeight() - p.y()); }
}  // namespace

QRectF Screens::toDesktop(const QRectF& global) { return flip(global); }
QRectF Screens::fromDesktop(const QRectF& desktop) { return flip(desktop); }
QPointF Screens::pointToDesktop(const QPointF& global) { return flip(global); }
QPointF Screens::pointFromDesktop(const QPointF& desktop) { return flip(desktop); }
