#include "platform/linux/ui/QtScreens.h"

#include "platform/linux/ui/X11DesktopHints.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace {
QRectF toGlobal(const QRectF& r, double primaryHeight) {
    return QRectF(r.x(), primaryHeight - (r.y() + r.height()), r.width(), r.height());
}

Screens::Screen describe(const QScreen* screen) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    const double h = primary ? primary->geometry().height() : 0.0;
    return {toGlobal(screen->geometry(), h), toGlobal(screen->availableGeometry(), h)};
}
}  // namespace

QList<Screens::Screen> QtScreens::all() const {
    QList<Screen> result;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) result.append(describe(primary));
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != primary) result.append(describe(screen));
    return result;
}

std::optional<Screens::Screen> QtScreens::main() const {
    // The screen under the pointer stands for the one the user works on.
    if (const QScreen* s = QGuiApplication::screenAt(QCursor::pos())) return describe(s);
    if (const QScreen* primary = QGuiApplication::primaryScreen()) return describe(primary);
    return std::nullopt;
}

bool QtScreens::compositing() const { return X11DesktopHints::compositingManagerRunning(); }
