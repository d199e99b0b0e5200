#include "core/Graphemes.h"

#include <QTextBoundaryFinder>

namespace Graphemes {

qsizetype count(const QString& text) {
    if (text.isEmpty()) return 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype n = 0;
    while (finder.toNextBoundary() != -1) ++n;
    return n;
}

QString first(const QString& text, qsizetype n) {
    if (n <= 0) return QString();
    if (text.size() <= n) return text;  // never more characters than UTF-16 units
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype seen = 0;
    qsizetype position = 0;
    while (seen < n && (position = finder.toNextBoundary()) != -1) ++seen;
    if (position == -1) return text;
    return text.left(position);
}

QString last(const QString& text, qsizetype n) {
    if (n <= 0) return QString();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.toEnd();
    qsizetype seen = 0;
    qsizetype position = text.size();
    while (seen < n && (position = finder.toPreviousBoundary()) != -1) ++seen;
    if (position == -1) return text;
    return text.mid(position);
}

}  // namespace Graphemes
