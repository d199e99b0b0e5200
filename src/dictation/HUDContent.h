#pragma once

#include "dictation/RecordingHUD.h"

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>

// What the recording panel shows and where, without drawing it: the quality chips with their up
// and down arrows, the cleanup-style carousel (previous, current and next style) with its left and
// right arrows, the microphone column, the chips' looks and what a click on a chip changes.
// Geometry is in points inside the panel, origin at its top-left corner, y down.
class HUDContent {
public:
    enum class ChipKind { Quality, Cleanup };

    struct Rgb {
        int r = 0, g = 0, b = 0;
        bool operator==(const Rgb&) const = default;
    };

    struct Style {
        QString value;
        QString longLabel;
        QString chipLabel;
        Rgb color;
    };

    static constexpr Rgb kDefaultStyleColor{110, 231, 183};
    static constexpr Rgb kQualityChipColor{156, 195, 255};
    static constexpr Rgb kLabelOn{11, 19, 36};
    static constexpr Rgb kLabelOff{169, 182, 211};
    static constexpr Rgb kArrowTint{245, 247, 255};
    static constexpr double kChipHeight = 24;
    static constexpr double kArrowSize = 9;
    static constexpr double kArrowRestAlpha = 0.45;
    static constexpr double kPulseSize = 40;

    // The six cleanup styles in their fixed order (also the stepping order of the carousel).
    static const QList<Style>& styles();
    // Short chip label of a style value; its long label when it has none; the value itself when
    // it is not a known style.
    static QString chipLabel(const QString& value);
    static Rgb chipColor(const QString& value);

    // How a chip that is off is filled and bordered: its own colour at reduced alpha (cleanup
    // chips, the brighter the colour the fainter) or neutral white (quality chips).
    struct OffLook {
        bool white = false;
        double fillAlpha = 0;
        double borderAlpha = 0;
    };
    static OffLook offLook(Rgb onColor, bool tintsWhenOff);

    // The carousel around `style`: the values at the previous, current and next positions, and the
    // current position. A style that is not in the table shows as "off".
    struct Carousel {
        QStringList values;
        int current = 0;
    };
    static Carousel carousel(const QString& style);
    // By how many slots the carousel turns from `oldIndex` to `newIndex`: +1 one step forward
    // (also from the last style to the first), −1 one step back, 0 for anything else.
    static int slideSteps(std::optional<int> oldIndex, std::optional<int> newIndex);

    // The cleanup style the coming send uses, with the controller's per-send pick.
    static QString effectiveStyle(const RecordingHUD::Hooks& hooks);
    // Applies a click on a chip: a quality level is saved; a style is saved, or picked for this
    // send only in session mode (and on the local tier without server cleanup).
    static void applyClick(ChipKind kind, const QString& value, const RecordingHUD::Hooks& hooks);

    struct Chip {
        ChipKind kind = ChipKind::Quality;
        QString value;
        QString label;
        Rgb color;
        bool tintsWhenOff = false;
        bool isOn = false;
        QRectF frame;  // in the panel; cleanup chips before any slide
    };

    struct Layout {
        QSizeF size;
        QList<Chip> chips;  // quality chips top to bottom, then the three cleanup chips left to right
        std::map<RecordingHUD::Arrow, QRectF> arrows;
        QRectF divider;           // between the two rows
        QRectF cleanupViewport;   // the carousel's window; side chips fade towards its edges
        double cleanupStride = 0; // distance between two carousel slots
        int cleanupIndex = 0;     // position of the current style in the table
        QRectF pulse;             // the microphone pulse, 40 × 40
        QRectF micSeparator;      // the line left of the microphone
    };
    // Builds the content from the current settings; `textWidth` measures a label in the chip font.
    static Layout layout(const std::function<double(const QString&)>& textWidth, const RecordingHUD::Hooks& hooks);
};
