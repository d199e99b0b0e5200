#pragma once

#include "platform/StatusItem.h"

// Remembers what the application showed in the panel.
class FakeStatusItem final : public StatusItem {
public:
    void setImage(const QImage& i, bool t) override {
        image = i;
        isTemplate = t;
        ++imageUpdates;
    }
    void setTitle(const QString& t) override { title = t; }
    void setToolTip(const QString& t) override { tip = t; }
    QString toolTip() const override { return tip; }
    void setAlpha(double a, double) override { alpha = a; }
    void setMenu(const QList<MenuEntry>& e) override {
        entries = e;
        ++menuBuilds;
    }
    void cancelTracking() override { ++cancels; }
    std::optional<QRectF> geometry() const override { return iconGeometry; }
    std::optional<QColor> glyphColor() const override { return panelGlyphColor; }

    QStringList titles() const {
        QStringList result;
        for (const MenuEntry& e : entries) result << (e.separator ? QStringLiteral("---") : e.title);
        return result;
    }
    const MenuEntry* entry(const QString& title) const {
        for (const MenuEntry& e : entries)
            if (e.title == title) return &e;
        return nullptr;
    }

    QImage image;
    bool isTemplate = false;
    QString title, tip;
    double alpha = 1.0;
    QList<MenuEntry> entries;
    std::optional<QRectF> iconGeometry;  // what the panel tells of the icon's place (y up)
    std::optional<QColor> panelGlyphColor;  // the colour the panel asks glyphs to be drawn in
    int imageUpdates = 0, menuBuilds = 0, cancels = 0;
};
