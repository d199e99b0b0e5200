#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <algorithm>

// Where a framed window of ours goes in the free area of a screen: its preferred size where that
// fits, else as large as fits, centred, with the window manager's frame inside the area.
namespace WindowPlacement {

// The window's rectangle (without its frame) for `preferred` in `area`, given the frame's margins.
inline QRect fitted(const QRect& area, const QMargins& frame, const QSize& preferred) {
    const QSize room(std::max(1, area.width() - frame.left() - frame.right()),
                     std::max(1, area.height() - frame.top() - frame.bottom()));
    const QSize size(std::min(preferred.width(), room.width()), std::min(preferred.height(), room.height()));
    QRect outer(QPoint(), size.grownBy(frame));
    outer.moveCenter(area.center());
    // Centring rounds; the frame's top-left corner never leaves the area.
    outer.moveTopLeft(QPoint(std::max(area.left(), outer.left()), std::max(area.top(), outer.top())));
    return QRect(outer.topLeft() + QPoint(frame.left(), frame.top()), size);
}

// The frame the window manager gives `window`: measured once it is framed, guessed before (a
// title bar and thin borders).
inline QMargins frameOf(const QWidget& window) {
    const QRect inner = window.geometry(), outer = window.frameGeometry();
    if (!window.isVisible() || outer == inner) return QMargins(4, 30, 4, 4);
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                    outer.bottom() - inner.bottom());
}

}  // namespace WindowPlacement
