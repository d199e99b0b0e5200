#pragma once

#include "platform/Screens.h"

#include <QEvent>
#include <QObject>
#include <QPainterPath>
#include <QRegion>
#include <QWidget>
#include <functional>

// The shape of a window with soft (transparent) corners. With a compositing manager the window
// keeps its full rectangle and its translucent corners; without one those corners would show
// black, so the window is cut to its outline (an X shape) whenever it is shown or resized.
class WindowShape final : public QObject {
public:
    using Outline = std::function<QPainterPath(const QSize&)>;

    // Keeps `window` cut to the outline while no compositing manager runs. Owned by the window.
    static void keep(QWidget* window, Outline outline) { new WindowShape(window, std::move(outline)); }
    // A rounded rectangle over the whole window.
    static Outline rounded(double radius) {
        return [radius](const QSize& size) {
            QPainterPath path;
            path.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), radius, radius);
            return path;
        };
    }

    void apply() {
        const Screens* screens = Screens::installed();
        if (!screens || screens->compositing()) {
            if (!window_->mask().isEmpty()) window_->clearMask();
            return;
        }
        window_->setMask(QRegion(outline_(window_->size()).toFillPolygon().toPolygon()));
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show) apply();
        return false;
    }

private:
    WindowShape(QWidget* window, Outline outline) : QObject(window), window_(window), outline_(std::move(outline)) {
        window->installEventFilter(this);
        apply();
    }

    QWidget* window_;
    Outline outline_;
};
