#pragma once

#include "onboarding/SVGPathParser.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

// Where and when each stroke of a handwritten heading is drawn: the row of character boxes,
// the scale that fits it into the available width, and the start time and duration of every
// stroke. Everything is computed up front; the view only draws it.
struct OnboardingWritingLayout {
    struct Stroke {
        StrokePath path;          // in the view's points, y downwards
        double beginMs = 0;       // after the start of writing
        double durationMs = 0;    // 0 when drawn at once
    };

    double units = 0.5;       // line width in character boxes, margins included
    double width = 1;         // view size in points
    double height = 0;
    double scale = 0;         // points per stroke-data unit
    double lineWidth = 0;     // stroke width in points
    bool animated = true;
    std::vector<Stroke> strokes;
    double finishDelay = 0;   // seconds from the start until the writing is done

    static constexpr double kBox = 109.0;            // the stroke data's coordinate box
    static constexpr double kLineHeightUnits = 136.25;
    static constexpr double kStartMs = 80.0;
    static constexpr double kGapMs = 8.0;
    static constexpr double kMinimumStrokeMs = 24.0;
    static constexpr double kUnitsPerSecond = 2200.0;

    // The advance of one character in boxes: 0.4 for the space, 0.72 for ASCII letters and
    // digits, 1 for everything else.
    static double advance(const QString& character);
    // Characters as the user sees them (grapheme clusters).
    static QStringList characters(const QString& text);

    static OnboardingWritingLayout make(const QString& text, bool animated, double fontSize, double maxWidth,
                                        const QHash<QString, QStringList>& table = SVGPathParser::strokeTable());

    // The drawn share (0…1) of stroke `index` at `elapsedMs` after the start, with the eased
    // timing of the writing.
    double strokeEnd(size_t index, double elapsedMs) const;
};
