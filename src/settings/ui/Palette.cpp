#include "settings/ui/Palette.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

namespace {

// The dark scheme's colours, made once.
QColor rgb(int r, int g, int b, double alpha = 1.0) {
    QColor color(r, g, b);
    color.setAlphaF(float(alpha));
    return color;
}

QColor appColor(QPalette::ColorRole role) { return QGuiApplication::palette().color(QPalette::Active, role); }

}  // namespace

Palette::Appearance Palette::currentAppearance() {
    const QColor window = appColor(QPalette::Window);
    if (!window.isValid()) return Appearance::other;
    return window.lightness() < 128 ? Appearance::darkAqua : Appearance::aqua;
}

QColor Palette::pick(Appearance appearance, const QColor& dark, const QColor& light) {
    return appearance == Appearance::darkAqua ? dark : light;
}

QColor Palette::labelColor() { return appColor(QPalette::WindowText); }

QColor Palette::systemSecondary() { return withOpacity(labelColor(), 0.5); }

QColor Palette::systemOrange() { return rgb(255, 149, 0); }

QColor Palette::text(Appearance appearance) {
    static const QColor dark = rgb(245, 247, 255);
    return pick(appearance, dark, labelColor());
}

QColor Palette::secondaryText(Appearance appearance) {
    static const QColor dark = rgb(169, 182, 211);
    return pick(appearance, dark, withOpacity(labelColor(), 0.5));
}

QColor Palette::background(Appearance appearance) {
    static const QColor dark = rgb(14, 22, 38);
    return pick(appearance, dark, appColor(QPalette::Window));
}

QColor Palette::cardBackground(Appearance appearance) {
    static const QColor dark = rgb(255, 255, 255, 0.06);
    return pick(appearance, dark, appColor(QPalette::Base));
}

QColor Palette::selectedFill(Appearance appearance) {
    static const QColor dark = rgb(111, 167, 255, 0.14);
    return pick(appearance, dark, withOpacity(labelColor(), 0.14));
}

QColor Palette::accent(Appearance appearance) {
    static const QColor dark = rgb(156, 195, 255);
    return pick(appearance, dark, appColor(QPalette::Highlight));
}

QColor Palette::separator(Appearance appearance) {
    static const QColor dark = rgb(255, 255, 255, 0.09);
    return pick(appearance, dark, withOpacity(labelColor(), 0.1));
}

QColor Palette::windowBackground(Appearance appearance) { return background(appearance); }

QColor Palette::withOpacity(QColor color, double opacity) {
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

bool Palette::isAppearanceChange(const QEvent* event) {
    switch (event->type()) {
    case QEvent::ApplicationPaletteChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange: return true;
    default: return false;
    }
}
