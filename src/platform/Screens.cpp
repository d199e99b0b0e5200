#include "platform/Screens.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

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

std::optional<Screens::Screen> Screens::holding(const QList<Screen>& all, QPointF point) {
    std::optional<Screen> nearest;
    double best = std::numeric_limits<double>::infinity();
    for (const Screen& screen : all) {
        const QRectF& f = screen.frame;
        // Distance from the point to the frame (0 inside; the right and top edges belong to the
        // next screen).
        const double dx = std::max({f.left() - point.x(), 0.0, point.x() - f.right()});
        const double dy = std::max({f.top() - point.y(), 0.0, point.y() - f.bottom()});
        const bool inside = point.x() >= f.left() && point.x() < f.right() && point.y() >= f.top() && point.y() < f.bottom();
        const double distance = inside ? -1.0 : std::hypot(dx, dy);
        if (distance < best) {
            best = distance;
            nearest = screen;
        }
    }
    return nearest;
}
