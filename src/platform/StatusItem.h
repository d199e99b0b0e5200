#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <functional>
#include <optional>

// One entry of the status menu; the menu is rebuilt from a fresh list every time.
struct MenuEntry {
    bool separator = false;
    QString title;
    bool enabled = true;
    QString symbol;    // a symbol name ("gearshape", "power", …); empty for none
    QString shortcut;  // a key with the primary modifier (",", "q"); empty for none
    std::function<void()> action;

    static MenuEntry line() {
        MenuEntry e;
        e.separator = true;
        return e;
    }
};

// The application's icon in the panel (tray) with its menu.
class StatusItem {
public:
    virtual ~StatusItem() = default;
    // `image` is drawn at twice the point size; a template image is a plain glyph (drawn in
    // glyphColor() where the panel publishes one).
    virtual void setImage(const QImage& image, bool isTemplate) = 0;
    // A short text beside the image (trays cannot show one: the implementation decides).
    virtual void setTitle(const QString& title) = 0;
    virtual void setToolTip(const QString& text) = 0;
    virtual QString toolTip() const = 0;
    // Opacity of the icon, reached over `seconds` (0 = at once).
    virtual void setAlpha(double alpha, double seconds) = 0;
    virtual void setMenu(const QList<MenuEntry>& entries) = 0;
    // Closes the menu when it is open. (A left or right click on the icon opens it.)
    virtual void cancelTracking() = 0;
    // The icon's rectangle in global coordinates (y up), when the panel tells it.
    virtual std::optional<QRectF> geometry() const = 0;
    // The colour the panel asks icons to draw their glyphs in, when it publishes one.
    virtual std::optional<QColor> glyphColor() const = 0;
};
