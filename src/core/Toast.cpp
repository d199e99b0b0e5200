#include "core/Toast.h"

#include "platform/Screens.h"

#include <algorithm>
#include <atomic>

namespace {
std::atomic<ToastPresenter*> installedPresenter{nullptr};
}

void ToastPresenter::install(ToastPresenter* presenter) { installedPresenter.store(presenter); }
ToastPresenter* ToastPresenter::installed() { return installedPresenter.load(); }

namespace Toast {

void show(const QString& message, std::optional<QPointF> at, double seconds) {
    if (ToastPresenter* presenter = ToastPresenter::installed()) presenter->show(message, at, seconds);
}

QPointF placement(QSizeF size, std::optional<QPointF> at) {
    const double w = size.width();
    const double h = size.height();
    Screens* screens = Screens::installed();
    const std::optional<Screens::Screen> mainScreen = screens ? screens->main() : std::nullopt;
    if (!at) {
        if (!mainScreen) return QPointF(0, 0);
        const QRectF vf = mainScreen->visibleFrame;
        return QPointF(vf.center().x() - w * 0.5, vf.center().y() - h * 0.5);
    }
    QRectF vf(0, 0, 1440, 900);
    bool found = false;
    if (screens) {
        for (const Screens::Screen& s : screens->all()) {
            // frame contains the point, edges as the usual half-open rectangle
            const QRectF f = s.frame;
            if (at->x() >= f.left() && at->x() < f.right() && at->y() >= f.top() && at->y() < f.bottom()) {
                vf = s.visibleFrame;
                found = true;
                break;
            }
        }
    }
    if (!found && mainScreen) vf = mainScreen->visibleFrame;
    // In y-up space QRectF::top() is the minimum y and bottom() the maximum.
    const double x = std::min(std::max(vf.left(), at->x() + 14), vf.right() - w);
    const double y = std::min(std::max(vf.top(), at->y() - h - 14), vf.bottom() - h);
    return QPointF(x, y);
}

}  // namespace Toast
