#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <optional>

// A short message that shows for a while and goes away by itself, without taking the focus or
// the mouse. One toast at a time: a new one replaces the old one at once.
class ToastPresenter {
public:
    virtual ~ToastPresenter() = default;
    // `at` is a point in global coordinates (y up); none centres the toast on the main screen.
    virtual void show(const QString& message, std::optional<QPointF> at, double seconds) = 0;

    static void install(ToastPresenter* presenter);
    static ToastPresenter* installed();
};

namespace Toast {

// Shows through the installed presenter; does nothing when none is installed (no display).
void show(const QString& message, std::optional<QPointF> at, double seconds);

// Where a toast of `size` goes (bottom-left origin, y up), given the screens' frames.
// Without a point: centred in the main screen's visible frame. With a point: its top-left corner
// 14 pt right of and 14 pt below the point, pushed back inside the visible frame of the screen
// that holds the point (else the main screen; else a 1440 × 900 frame at the origin).
QPointF placement(QSizeF size, std::optional<QPointF> at);

}  // namespace Toast
