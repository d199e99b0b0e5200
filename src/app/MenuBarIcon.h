#pragma once

#include "core/StyleBadge.h"

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <optional>

// The status icon, drawn in code: a window-and-waveform glyph when idle, the cleanup style's
// emoji badge with a state dot while recording (red) or sending (grey).
// Geometry is in points on a 23 × 20 canvas with the origin at the bottom-left, y up; images are
// rendered at twice that size.
namespace MenuBarIcon {

enum State { Idle = 0, Recording = 1, Sending = 2 };

struct Icon {
    QImage image;       // 46 × 40 pixels, device pixel ratio 2
    bool isTemplate;    // the plain glyph, with nothing in colour
};

constexpr double kWidth = 23.0;
constexpr double kHeight = 20.0;

// The icon for `state`, with the badge of the style that applies to `activeSendStyle`. The glyph
// is drawn in `glyphColor` (the colour the panel asks for); without one it is white with a dark
// outline, which reads on light and dark panels alike.
Icon image(int state, const std::optional<QString>& activeSendStyle,
           const std::optional<QColor>& glyphColor = std::nullopt);
// " LOW", " HIGH" or " MAX" while recording; empty otherwise.
QString title(bool recording);

// Drawing routines in the canvas's y-up point space (the painter is set up by image()).
// `grow` widens every stroke and bar by that much on each side (for an outline drawn beneath).
void drawGlyph(QPainter& p, const QColor& color, double grow = 0);
void drawBars(QPainter& p, const QList<double>& heights, const QList<double>& xs, double centreY);
void drawBadge(QPainter& p, const QString& text, const QRectF& rect);

}  // namespace MenuBarIcon
