#pragma once

#include <QChar>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

// A drawn path in our own terms (the logic side has no Qt Gui): moves, lines, quadratic and
// cubic curves and closes, in the order they were added.
class StrokePath {
public:
    enum class Kind { Move, Line, Quad, Cubic, Close };
    struct Element {
        Kind kind = Kind::Move;
        QPointF c1;  // first control point (Quad: the one control point; Cubic)
        QPointF c2;  // second control point (Cubic)
        QPointF to;  // end point (Move, Line, Quad, Cubic; Close: the subpath's start)
    };

    void moveTo(QPointF p) { elements_.push_back({Kind::Move, {}, {}, p}); }
    void lineTo(QPointF p) { elements_.push_back({Kind::Line, {}, {}, p}); }
    void quadTo(QPointF c, QPointF p) { elements_.push_back({Kind::Quad, c, {}, p}); }
    void cubicTo(QPointF c1, QPointF c2, QPointF p) { elements_.push_back({Kind::Cubic, c1, c2, p}); }
    void close();

    const std::vector<Element>& elements() const { return elements_; }
    bool isEmpty() const { return elements_.empty(); }
    // True when something would be drawn: an element other than a move.
    bool draws() const;

    // Every point translated by (dx, dy), then scaled by `scale` on both axes.
    StrokePath transformed(double dx, double dy, double scale) const;

    // The first `fraction` (0…1) of the path's length, measured as SVGPathParser::length does
    // with `samplesPerCurve`; a cut through a curve splits the curve itself, so the part drawn
    // lies exactly on the whole. 0 gives an empty path, 1 or more the whole path.
    StrokePath trimmed(double fraction, int samplesPerCurve = 24) const;

    bool operator==(const StrokePath& other) const;

private:
    std::vector<Element> elements_;
};

// The subset of SVG path data the handwriting strokes use: moveto, lineto, cubic and smooth
// cubic curves and closepath (M m L l C c S s Z z), numbers of ASCII digits with an optional
// sign and fraction (no exponent), separated by spaces, commas, the sign of the next number or
// a second point.
class SVGPathParser {
public:
    SVGPathParser() = delete;

    struct Command {
        QChar letter;           // one of M m C c S s L l Z z, case kept
        QList<double> numbers;  // in the order written
        bool operator==(const Command& other) const = default;
    };

    // The strict reading: every command, or the first thing that is wrong.
    struct Parsed {
        std::vector<Command> commands;
        QString error;              // empty when the text is well-formed
        qsizetype errorAt = -1;     // offset of the offending character (UTF-16 units)
        bool ok() const { return error.isEmpty(); }
    };

    // Lenient: never fails. Any other character (a tab, a line break, "e", a letter that is not
    // one of the commands above) is passed over without ending the number in progress, so "1e5"
    // reads as 15 and "M0,0h10" as a move with 0 and 10. A malformed number ("-", ".") and
    // numbers before the first command are dropped.
    static std::vector<Command> tokenize(QStringView text);
    // Strict: fails with a message naming the problem and its offset on anything the lenient
    // reading would pass over or drop, on incomplete coordinate groups and on a path not
    // starting with a move.
    static Parsed parse(QStringView text);

    // The path of the lenient reading. Incomplete coordinate groups are ignored; a text
    // without any command gives an empty path.
    static StrokePath path(QStringView text);
    static StrokePath path(const std::vector<Command>& commands);

    // Length of the path, each curve measured as a polyline of `samplesPerCurve` (at least 1)
    // segments; a close adds the distance back to the subpath's start.
    static double length(const StrokePath& path, int samplesPerCurve = 24);

    // The stroke table: one character → its strokes (SVG path data), in writing order, in a
    // 109 × 109 box with y downwards. Loaded once from the library's embedded data; a character
    // without strokes is absent.
    static const QHash<QString, QStringList>& strokeTable();

    struct TableLoad {
        QHash<QString, QStringList> table;
        QStringList keys;   // in the order of the data
        QString error;      // empty when every row was sound
        int errorLine = 0;  // 1-based line of the first bad row
        bool ok() const { return error.isEmpty(); }
    };
    // Reads stroke data: one line per character, the character and then one path per stroke,
    // separated by TABs. Rows after a bad one are still read; the first problem is reported.
    static TableLoad loadStrokeTable(const QByteArray& tsv);
    // The embedded data of strokeTable(), read afresh.
    static TableLoad loadEmbeddedStrokeTable();
};
