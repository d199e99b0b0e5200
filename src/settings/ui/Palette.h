#pragma once

#include <QColor>

class QEvent;

// The colours of the settings window. In the light appearance they are the desktop's own colours
// (the application palette); in the dark appearance a fixed navy scheme. Every member is evaluated
// when it is called, so a widget that asks while painting follows a change of the appearance at
// once.
class Palette {
public:
    // The appearance a colour is chosen for. The desktop's palette is dark when its window colour
    // is dark; `other` (neither) gets the light colours.
    enum class Appearance { aqua, darkAqua, other };

    Palette() = delete;

    static Appearance currentAppearance();
    // The dark colour for the dark appearance, the light colour for every other one.
    static QColor pick(Appearance appearance, const QColor& dark, const QColor& light);

    // Page titles, the back button, row and option titles, the icon of a selected option card.
    static QColor text(Appearance appearance = currentAppearance());
    // Row icons and chevrons, notes, the icon of an unselected option card.
    static QColor secondaryText(Appearance appearance = currentAppearance());
    // The root view, every page and the screens.
    static QColor background(Appearance appearance = currentAppearance());
    // Cards and row groups.
    static QColor cardBackground(Appearance appearance = currentAppearance());
    // Behind the selected option card.
    static QColor selectedFill(Appearance appearance = currentAppearance());
    // Switches, check marks, the outline of a selected card, hint banners.
    static QColor accent(Appearance appearance = currentAppearance());
    // Outlines and dividers.
    static QColor separator(Appearance appearance = currentAppearance());
    // The settings window's own background (the same two values as `background`).
    static QColor windowBackground(Appearance appearance = currentAppearance());

    // The desktop's "secondary" text colour and its plain label colour, which a few elements use
    // instead of a palette member.
    static QColor systemSecondary();
    static QColor labelColor();
    static QColor systemOrange();

    // A colour with its alpha multiplied by `opacity`.
    static QColor withOpacity(QColor color, double opacity);

    // True for the events after which colours must be asked again (appearance or style changed).
    static bool isAppearanceChange(const QEvent* event);
};
