#include "app/MenuBarIcon.h"

#include "core/AppPrefs.h"
#include "platform/Defaults.h"

#include <QFont>
#include <QPainterPath>

namespace MenuBarIcon {

namespace {
const QColor kRed(255, 59, 48);
const QColor kGrey(142, 142, 147);

// A rectangle given bottom-left/y-up on the canvas, as the painter's y-down rectangle.
QRectF down(const QRectF& r) { return QRectF(r.x(), kHeight - (r.y() + r.height()), r.width(), r.height()); }

enum class Variant { Active, Plain, GlyphWithBadge };

Variant chooseVariant(int state) {
    if (state == Recording || state == Sending) return Variant::Active;
    const QVariant stored = AppPrefs::defaults().object(QStringLiteral("modeSelectStyle"));
    if (stored.typeId() == QMetaType::QString && stored.toString() == QLatin1String("session")) return Variant::Plain;
    if (AppPrefs::qualityLevel() == QLatin1String("low") && !AppPrefs::lowCleanup()) return Variant::Plain;
    return Variant::GlyphWithBadge;
}

QFont emojiFont(double pointSize) {
    QFont font(QStringLiteral("Noto Color Emoji"));
    font.setPixelSize(qMax(1, qRound(pointSize)));
    return font;
}
}  // namespace


void drawBars(QPainter& p, const QList<double>& heights, const QList<double>& xs, double centreY) {
    const qsizetype n = qMin(heights.size(), xs.size());
    for (qsizetype i = 0; i < n; ++i) {
        const QRectF bar(xs[i] - 0.75, centreY - heights[i] * 0.5, 1.5, heights[i]);
        QPainterPath path;
        path.addRoundedRect(bar, 0.75, 0.75);
        p.fillPath(path, p.pen().color());
    }
}

void drawGlyph(QPainter& p, const QColor& color, double grow) {
    p.save();
    p.translate(1.5, 0);
    p.scale(10.0 / 9.0, 10.0 / 9.0);
    QPen pen(color, 1.5 + 2 * grow);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(1.5, 2.5, 15, 13), 3.25, 3.25);
    if (grow > 0) {
        QPen rim(color, 2 * grow);
        rim.setJoinStyle(Qt::RoundJoin);
        p.setPen(rim);
        const QList<double> heights{3.5, 7.0, 5.0, 3.0}, xs{5.0, 7.67, 10.33, 13.0};
        for (qsizetype i = 0; i < heights.size(); ++i)
            p.drawRoundedRect(QRectF(xs[i] - 0.75, 9.0 - heights[i] * 0.5, 1.5, heights[i]), 0.75, 0.75);
        p.setPen(pen);
    }
    drawBars(p, {3.5, 7.0, 5.0, 3.0}, {5.0, 7.67, 10.33, 13.0}, 9.0);
    p.restore();
}

void drawBadge(QPainter& p, const QString& text, const QRectF& rect) {
    // Text is drawn upright: undo the y-up flip around the rectangle.
    p.save();
    p.scale(1, -1);
    p.translate(0, -kHeight);
    p.setFont(emojiFont(rect.height() - 2));
    p.setPen(Qt::black);  // a painter without a pen draws no text, colour glyphs included
    p.drawText(down(rect), Qt::AlignCenter, text);
    p.restore();
}

// The glyph in the panel's colour, or white over a dark outline when the panel names none.
static void drawPanelGlyph(QPainter& p, const std::optional<QColor>& color) {
    if (color) {
        drawGlyph(p, *color);
        return;
    }
    drawGlyph(p, QColor(0, 0, 0, qRound(0.8 * 255)), 0.9);
    drawGlyph(p, Qt::white);
}

Icon image(int state, const std::optional<QString>& activeSendStyle, const std::optional<QColor>& glyphColor) {
    QImage img(46, 40, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(2.0);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // y-up canvas of 23 × 20 points.
    p.translate(0, kHeight);
    p.scale(1, -1);

    const Variant variant = chooseVariant(state);
    const QString badge = styleBadge(AppPrefs::effectiveCleanupStyle(activeSendStyle));
    switch (variant) {
    case Variant::Active:
        drawBadge(p, badge, QRectF(2, 0.5, 19, 19));
        p.setPen(Qt::NoPen);
        p.setBrush(state == Recording ? kRed : kGrey);
        p.drawEllipse(QRectF(16, 13.5, 6, 6));
        break;
    case Variant::Plain:
        drawPanelGlyph(p, glyphColor);
        break;
    case Variant::GlyphWithBadge:
        drawPanelGlyph(p, glyphColor);
        p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawEllipse(QRectF(10.5, -2.5, 14, 14));
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setBrush(QColor(0, 0, 0, qRound(0.85 * 255)));
        p.drawEllipse(QRectF(11.5, -1.5, 12, 12));
        drawBadge(p, badge, QRectF(12, -0.4, 11, 11));
        break;
    }
    p.end();
    return {img, variant == Variant::Plain};
}

QString title(bool recording) {
    if (!recording) return QString();
    return QLatin1Char(' ') + AppPrefs::qualityLevelLabel().toUpper();
}

}  // namespace MenuBarIcon
