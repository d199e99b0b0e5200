#include "onboarding/SVGPathParser.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cmath>

namespace {

using Kind = StrokePath::Kind;
using Command = SVGPathParser::Command;

Command cmd(char letter, QList<double> numbers) { return {QChar(letter), numbers}; }

StrokePath::Element el(Kind kind, QPointF to, QPointF c1 = {}, QPointF c2 = {}) { return {kind, c1, c2, to}; }

void expectElements(const StrokePath& path, const std::vector<StrokePath::Element>& expected) {
    ASSERT_EQ(path.elements().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const StrokePath::Element& a = path.elements()[i];
        const StrokePath::Element& b = expected[i];
        EXPECT_EQ(a.kind, b.kind) << "element " << i;
        EXPECT_EQ(a.to, b.to) << "element " << i;
        if (a.kind == Kind::Cubic || a.kind == Kind::Quad) {
            EXPECT_EQ(a.c1, b.c1) << "element " << i;
        }
        if (a.kind == Kind::Cubic) {
            EXPECT_EQ(a.c2, b.c2) << "element " << i;
        }
    }
}

TEST(SVGPathParserTest, ReadsCommandsAndNumbersInOrder) {
    const auto commands = SVGPathParser::tokenize(u"M10,20c5,5,10,10,15,15");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0], cmd('M', {10, 20}));
    EXPECT_EQ(commands[1], cmd('c', {5, 5, 10, 10, 15, 15}));
    expectElements(SVGPathParser::path(u"M10,20c5,5,10,10,15,15"),
                   {el(Kind::Move, {10, 20}), el(Kind::Cubic, {25, 35}, {15, 25}, {20, 30})});
}

TEST(SVGPathParserTest, NumberSyntax) {
    // A sign starts a new number; a second point starts a new number; a leading or trailing
    // point is allowed.
    EXPECT_EQ(SVGPathParser::tokenize(u"M10-5").front().numbers, (QList<double>{10, -5}));
    EXPECT_EQ(SVGPathParser::tokenize(u"M1.5.5").front().numbers, (QList<double>{1.5, 0.5}));
    EXPECT_EQ(SVGPathParser::tokenize(u"M-.5 3. +2").front().numbers, (QList<double>{-0.5, 3, 2}));
    EXPECT_TRUE(SVGPathParser::parse(u"M-.5,1.5.5,3").ok());
}

TEST(SVGPathParserTest, OnlySpacesCommasSignsAndPointsEndANumber) {
    // There are no exponents: the letter is passed over and the digits on both sides join.
    EXPECT_EQ(SVGPathParser::tokenize(u"M1e5,2E1").front().numbers, (QList<double>{15, 21}));
    // The sign after an "e" is a sign like any other and starts the next number.
    EXPECT_EQ(SVGPathParser::tokenize(u"M-.5e-2").front().numbers, (QList<double>{-0.5, -2}));
    // Tabs and line breaks are passed over too; only the space separates.
    EXPECT_EQ(SVGPathParser::tokenize(u"M1\t2\n3\r\n4 5").front().numbers, (QList<double>{1234, 5}));
    // Only ASCII digits are digits: other numerals are passed over.
    EXPECT_EQ(SVGPathParser::tokenize(u"M1\u06632,\uFF133").front().numbers, (QList<double>{12, 3}));
    // A letter that is no command keeps its digits with the command before it.
    expectElements(SVGPathParser::path(u"M0,0h10"), {el(Kind::Move, {0, 10})});
    expectElements(SVGPathParser::path(u"M0,0h10L5,5"), {el(Kind::Move, {0, 10}), el(Kind::Line, {5, 5})});
    expectElements(SVGPathParser::path(u"M1,1 2,2 v3,3"),
                   {el(Kind::Move, {1, 1}), el(Kind::Line, {2, 2}), el(Kind::Line, {3, 3})});
}

TEST(SVGPathParserTest, ReadsNumbersInTheCLocaleWhateverTheProcessLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) std::setlocale(LC_NUMERIC, "C.UTF-8");
    EXPECT_EQ(SVGPathParser::tokenize(u"M1.25,2.5").front().numbers, (QList<double>{1.25, 2.5}));
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(SVGPathParserTest, RelativeAndAbsoluteCommandsWithImplicitRepeats) {
    // Numbers after a move beyond its first pair are lines of the same relativity.
    expectElements(SVGPathParser::path(u"M0,0 10,0 10,10"),
                   {el(Kind::Move, {0, 0}), el(Kind::Line, {10, 0}), el(Kind::Line, {10, 10})});
    expectElements(SVGPathParser::path(u"m5,5 1,1 1,1"),
                   {el(Kind::Move, {5, 5}), el(Kind::Line, {6, 6}), el(Kind::Line, {7, 7})});
    expectElements(SVGPathParser::path(u"m5,5l10-5"), {el(Kind::Move, {5, 5}), el(Kind::Line, {15, 0})});
    // Repeated relative curves are each relative to the end of the one before.
    expectElements(SVGPathParser::path(u"M1,1c0,1,1,1,1,0 0,1,1,1,1,0"),
                   {el(Kind::Move, {1, 1}), el(Kind::Cubic, {2, 1}, {1, 2}, {2, 2}),
                    el(Kind::Cubic, {3, 1}, {2, 2}, {3, 2})});
    // Absolute curves ignore the current point.
    expectElements(SVGPathParser::path(u"M50,50C1,2,3,4,5,6"),
                   {el(Kind::Move, {50, 50}), el(Kind::Cubic, {5, 6}, {1, 2}, {3, 4})});
}

TEST(SVGPathParserTest, SmoothCurvesReflectThePreviousControlPointOnlyAfterACurve) {
    expectElements(SVGPathParser::path(u"M0 0c0,10,10,10,10,0s10-10,20,0"),
                   {el(Kind::Move, {0, 0}), el(Kind::Cubic, {10, 0}, {0, 10}, {10, 10}),
                    el(Kind::Cubic, {30, 0}, {10, -10}, {20, -10})});
    expectElements(SVGPathParser::path(u"M0 0L10 0s1 1 2 2"),
                   {el(Kind::Move, {0, 0}), el(Kind::Line, {10, 0}), el(Kind::Cubic, {12, 2}, {10, 0}, {11, 1})});
    // Absolute "S" after a close starts from the subpath's start.
    expectElements(SVGPathParser::path(u"M1,1L5,1ZS2,2,3,3"),
                   {el(Kind::Move, {1, 1}), el(Kind::Line, {5, 1}), el(Kind::Close, {1, 1}),
                    el(Kind::Cubic, {3, 3}, {1, 1}, {2, 2})});
}

TEST(SVGPathParserTest, LenientReadingDropsWhatItCannotRead) {
    // Numbers before the first command, leftovers shorter than a group, numbers of a closing.
    expectElements(SVGPathParser::path(u"1 2 M3 4"), {el(Kind::Move, {3, 4})});
    expectElements(SVGPathParser::path(u"M1,2,3"), {el(Kind::Move, {1, 2})});
    EXPECT_TRUE(SVGPathParser::path(u"c1,2,3").isEmpty());
    EXPECT_TRUE(SVGPathParser::path(u"").isEmpty());
    EXPECT_TRUE(SVGPathParser::path(u"hello world").isEmpty());
    // Malformed numbers (a lone sign, a lone point) are dropped.
    EXPECT_EQ(SVGPathParser::tokenize(u"M- . -. 2,3").front().numbers, (QList<double>{2, 3}));
    // A number too long for a double would put the pen at infinity.
    const QString huge = QStringLiteral("M%1,1,2").arg(QString(400, u'9'));
    EXPECT_EQ(SVGPathParser::tokenize(huge).front().numbers, (QList<double>{1, 2}));
}

TEST(SVGPathParserTest, StrictReadingNamesTheProblemAndWhere) {
    struct Case {
        const char16_t* text;
        qsizetype at;
        const char* fragment;
    };
    const Case cases[] = {
        {u"M0,0h10", 4, "unsupported path command 'h'"},
        {u"M1,2,3", 0, "groups of 2, got 3"},
        {u"M0,0c1,2,3", 4, "groups of 6, got 3"},
        {u"1 2 M3 4", 0, "before any path command"},
        {u"M-.,1", 1, "malformed number '-.'"},
        {u"M1e5,2", 2, "exponents are not read ('e')"},
        {u"M1,2\t3,4", 4, "unexpected character"},
        {u"M1,2Z3", 4, "takes no numbers"},
        {u"L1,2", 0, "must begin with a move"},
        {u"M1,2;", 4, "unexpected character ';'"},
        {u"M", 0, "groups of 2, got 0"},
    };
    const QString huge = QStringLiteral("M%1,2").arg(QString(400, u'9'));
    EXPECT_TRUE(SVGPathParser::parse(huge).error.contains(QStringLiteral("malformed number")));
    for (const Case& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        const SVGPathParser::Parsed parsed = SVGPathParser::parse(text);
        EXPECT_FALSE(parsed.ok()) << text.toStdString();
        EXPECT_TRUE(parsed.commands.empty()) << text.toStdString();
        EXPECT_EQ(parsed.errorAt, c.at) << text.toStdString() << ": " << parsed.error.toStdString();
        EXPECT_TRUE(parsed.error.contains(QString::fromUtf8(c.fragment))) << parsed.error.toStdString();
    }
    const auto good = SVGPathParser::parse(u"M13.29,81.39c6.21,4.19,10.69,7.8,13.69,13.54");
    EXPECT_TRUE(good.ok()) << good.error.toStdString();
    EXPECT_EQ(good.commands.size(), 2u);
}

TEST(SVGPathParserTest, LengthOfLinesCurvesAndClosedShapes) {
    EXPECT_DOUBLE_EQ(SVGPathParser::length(SVGPathParser::path(u"M0,0c0,0,0,10,0,10"), 24), 10);
    EXPECT_DOUBLE_EQ(SVGPathParser::length(SVGPathParser::path(u"M0,0L10,0L10,10L0,10Z"), 24), 40);
    EXPECT_DOUBLE_EQ(SVGPathParser::length(SVGPathParser::path(u"M0,0L3,4M10,10L10,20"), 24), 15);
    // A quarter circle: the polyline approaches π/2 × r from below; one sample is the chord.
    const StrokePath arc = SVGPathParser::path(u"M100,0C100,55.23,55.23,100,0,100");
    EXPECT_NEAR(SVGPathParser::length(arc, 24), M_PI / 2 * 100, 0.1);
    EXPECT_DOUBLE_EQ(SVGPathParser::length(arc, 1), std::hypot(100.0, 100.0));
    EXPECT_DOUBLE_EQ(SVGPathParser::length(arc, 0), SVGPathParser::length(arc, 1));
    // A quadratic is measured as its equal cubic.
    StrokePath quad;
    quad.moveTo({0, 0});
    quad.quadTo({5, 0}, {10, 0});
    EXPECT_NEAR(SVGPathParser::length(quad, 24), 10, 1e-9);
    EXPECT_EQ(SVGPathParser::length(StrokePath(), 24), 0);
}

TEST(SVGPathParserTest, TrimmedPathsFollowTheWholeAndGrowWithTheFraction) {
    const StrokePath square = SVGPathParser::path(u"M0,0L10,0L10,10L0,10Z");
    EXPECT_TRUE(square.trimmed(0).isEmpty());
    EXPECT_EQ(square.trimmed(1), square);
    expectElements(square.trimmed(0.375), {el(Kind::Move, {0, 0}), el(Kind::Line, {10, 0}), el(Kind::Line, {10, 5})});
    expectElements(square.trimmed(0.875), {el(Kind::Move, {0, 0}), el(Kind::Line, {10, 0}), el(Kind::Line, {10, 10}),
                                           el(Kind::Line, {0, 10}), el(Kind::Line, {0, 5})});

    const StrokePath curve = SVGPathParser::path(u"M18,15.43c0,5.92,0,71.36,0,77.28");
    const double whole = SVGPathParser::length(curve, 24);
    double previous = 0;
    for (double f : {0.1, 0.25, 0.5, 0.9}) {
        const StrokePath part = curve.trimmed(f);
        const double len = SVGPathParser::length(part, 24);
        EXPECT_NEAR(len, f * whole, whole * 0.02) << f;
        EXPECT_GT(len, previous);
        previous = len;
        // The cut follows the curve: the end lies on the straight stroke.
        EXPECT_NEAR(part.elements().back().to.x(), 18, 1e-9);
    }
}

TEST(SVGPathParserTest, EveryRowOfTheEmbeddedStrokeTableParsesInsideItsBox) {
    const SVGPathParser::TableLoad load = SVGPathParser::loadEmbeddedStrokeTable();
    ASSERT_TRUE(load.ok()) << load.error.toStdString();
    int strokes = 0;
    for (const QString& key : load.keys) {
        for (const QString& stroke : load.table.value(key)) {
            ++strokes;
            EXPECT_TRUE(stroke.startsWith(u'M')) << key.toStdString();
            const StrokePath path = SVGPathParser::path(stroke);
            EXPECT_TRUE(path.draws()) << key.toStdString();
            // Inside the 109-unit box (curve control points may stray a little).
            for (const auto& e : path.elements()) {
                EXPECT_GE(e.to.x(), 0) << key.toStdString();
                EXPECT_LE(e.to.x(), 109) << key.toStdString();
                EXPECT_GE(e.to.y(), 0) << key.toStdString();
                EXPECT_LE(e.to.y(), 109) << key.toStdString();
            }
        }
    }
    EXPECT_GT(strokes, load.keys.size());
    EXPECT_EQ(SVGPathParser::strokeTable().size(), load.keys.size());
}

TEST(SVGPathParserTest, StrokeDataProblemsAreReportedWithTheirLine) {
    auto load = [](const char* text) { return SVGPathParser::loadStrokeTable(QByteArray(text)); };
    EXPECT_TRUE(load("a\tM1,1L2,2\r\n\nb\tM1,1L2,2\tM3,3L4,4\n").ok());
    EXPECT_EQ(load("a\tM1,1L2,2\nb\n").errorLine, 2);
    EXPECT_TRUE(load("a\tM1,1L2,2\nb\n").error.contains(QStringLiteral("no strokes")));
    EXPECT_TRUE(load("ab\tM1,1\n").error.contains(QStringLiteral("not one character")));
    EXPECT_TRUE(load("a\tM1,1\na\tM2,2\n").error.contains(QStringLiteral("twice")));
    const auto bad = load("a\tM1,1\nb\tM1,1 h4\nc\tM1,1\n");
    EXPECT_EQ(bad.errorLine, 2);
    EXPECT_TRUE(bad.error.contains(QStringLiteral("stroke 1 of 'b'"))) << bad.error.toStdString();
    // The sound rows are still there.
    EXPECT_EQ(bad.keys, (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
    // A combining sequence is one character.
    EXPECT_TRUE(load("e\u0301\tM1,1\n").ok());
}

}  // namespace
