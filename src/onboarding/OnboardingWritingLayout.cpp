#include "onboarding/OnboardingWritingLayout.h"

#include "onboarding/OnboardingAnimation.h"

#include <QTextBoundaryFinder>

#include <algorithm>

double OnboardingWritingLayout::advance(const QString& character) {
    if (character == QStringLiteral(" ")) return 0.4;
    if (character.size() == 1) {
        const char16_t c = character[0].unicode();
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return 0.72;
    }
    return 1.0;
}

QStringList OnboardingWritingLayout::characters(const QString& text) {
    QStringList out;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        if (end > start) out.append(text.mid(start, end - start));
        start = end;
    }
    return out;
}

OnboardingWritingLayout OnboardingWritingLayout::make(const QString& text, bool animated, double fontSize,
                                                      double maxWidth, const QHash<QString, QStringList>& table) {
    OnboardingWritingLayout layout;
    layout.animated = animated;
    const QStringList chars = characters(text);
    double u = 0.5;
    for (const QString& ch : chars) u += advance(ch);
    layout.units = u;
    layout.width = std::max(1.0, std::min(fontSize * 1.08 * u, maxWidth));
    layout.scale = layout.width / (u * kBox);
    layout.height = layout.scale * kLineHeightUnits;
    layout.lineWidth = layout.scale * (fontSize < 28 ? 11.0 : 10.5);

    double x = kBox / 4;  // a quarter box of margin
    double t = kStartMs;
    for (const QString& ch : chars) {
        const double a = advance(ch);
        const auto found = table.constFind(ch);
        if (found != table.constEnd()) {
            for (const QString& data : *found) {
                const StrokePath raw = SVGPathParser::path(data);
                if (!raw.draws()) continue;  // unreadable stroke: nothing to draw
                Stroke stroke;
                stroke.path = raw.transformed(x - (1 - a) * kBox / 2, 0, layout.scale);
                if (animated) {
                    const double d = std::max(kMinimumStrokeMs, SVGPathParser::length(raw, 24) / kUnitsPerSecond * 1000);
                    stroke.beginMs = t;
                    stroke.durationMs = d;
                    t += d + kGapMs;
                }
                layout.strokes.push_back(std::move(stroke));
            }
        }
        x += a * kBox;
    }
    layout.finishDelay = animated ? t / 1000 : 0;
    return layout;
}

double OnboardingWritingLayout::strokeEnd(size_t index, double elapsedMs) const {
    if (index >= strokes.size()) return 0;
    const Stroke& s = strokes[index];
    if (!animated || s.durationMs <= 0) return 1;
    if (elapsedMs <= s.beginMs) return 0;
    return OnboardingAnimation::timingCurve((elapsedMs - s.beginMs) / s.durationMs, 0.35, 0.1, 0.35, 1.0);
}
