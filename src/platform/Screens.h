#pragma once

#include <QList>
#include <QRectF>
#include <optional>

// Screen geometry in the application's global space: origin at the bottom-left corner of the
// primary screen, y growing upwards, in points.
class Screens {
public:
    struct Screen {
        QRectF frame;
        QRectF visibleFrame;  // without panels and docks
    };

    virtual ~Screens() = default;
    virtual QList<Screen> all() const = 0;       // the primary screen first
    virtual std::optional<Screen> main() const = 0;  // the screen with the keyboard focus, else the primary
    // Whether a compositing manager draws the transparent parts of windows as transparent (on a
    // desktop without one they show black, and rounded windows need a shape of their own).
    virtual bool compositing() const { return true; }

    // The screen of `all` whose frame holds `point`, else the one nearest to it; absent when
    // `all` is empty. Windows placed near a point go to that point's screen.
    static std::optional<Screen> holding(const QList<Screen>& all, QPointF point);

    static void install(Screens* screens);
    static Screens* installed();  // may be null (no display)

    // Conversions between the global y-up space and the desktop's y-down pixel space, through
    // the installed screens (the primary screen's height); unchanged when none is installed.
    static QRectF toDesktop(const QRectF& global);
    static QRectF fromDesktop(const QRectF& desktop);
    static QPointF pointToDesktop(const QPointF& global);
    static QPointF pointFromDesktop(const QPointF& desktop);
};
