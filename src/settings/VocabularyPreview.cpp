#include "core/Graphemes.h"
#include "core/WordList.h"
#include "settings/VocabularyPreview.h"

#include <QHash>
#include <QTextBoundaryFinder>

namespace VocabularyPreview {

namespace {

// Blanks that are trimmed from entries: tabs and every space separator (ideographic space included).
bool isBlank(QChar c) { return c.unicode() == 0x0009 || c.category() == QChar::Separator_Space; }

bool isLineBreak(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x000A && u <= 0x000D) || u == 0x0085 || u == 0x2028 || u == 0x2029;
}

QString trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin))) ++begin;
    while (end > begin && isBlank(text.at(end - 1))) --end;
    return text.mid(begin, end - begin).toString();
}

template <typename IsSeparator>
QStringList splitTrimmed(const QString& text, IsSeparator isSeparator) {
    QStringList pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isSeparator(text.at(i))) continue;
        const QString piece = trimBlanks(QStringView(text).mid(start, i - start));
        if (!piece.isEmpty()) pieces.append(piece);
        start = i + 1;
    }
    return pieces;
}

QStringList graphemes(const QString& text) {
    QStringList clusters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype end = finder.position();
        clusters.append(text.mid(start, end - start));
        start = end;
    }
    return clusters;
}

// How much an added word resembles a removed one: the longer length when one contains the other
// (ignoring case), else the length of their common beginning (ignoring case).
qsizetype resemblance(const QString& removed, const QString& added) {
    const QString r = removed.toLower();
    const QString a = added.toLower();
    if (r.contains(a) || a.contains(r)) return std::max(Graphemes::count(removed), Graphemes::count(added));
    const QStringList rs = graphemes(removed);
    const QStringList as = graphemes(added);
    qsizetype common = 0;
    while (common < rs.size() && common < as.size() &&
           rs.at(common).compare(as.at(common), Qt::CaseInsensitive) == 0)
        ++common;
    return common;
}

}  // namespace

QStringList splitWordList(const QString& text) { return splitTrimmed(text, WordList::isSeparator); }

QStringList splitCorrectionLines(const QString& text) { return splitTrimmed(text, isLineBreak); }


Difference difference(const QStringList& saved, const QStringList& edited) {
    QHash<QString, int> count;
    for (const QString& entry : saved) ++count[entry];
    Difference result;
    for (const QString& entry : edited) {
        auto it = count.find(entry);
        if (it != count.end() && *it > 0)
            --*it;
        else
            result.added.append(entry);
    }
    for (const QString& entry : saved) {
        auto it = count.find(entry);
        if (it != count.end() && *it > 0) {
            --*it;
            result.removed.append(entry);
        }
    }
    return result;
}

QString summary(const Difference& difference) {
    const qsizetype added = difference.added.size();
    const qsizetype removed = difference.removed.size();
    QStringList parts;
    if (added > 0) parts.append(QStringLiteral("+%1").arg(added));
    if (removed > 0) parts.append(QStringLiteral("−%1").arg(removed));
    return parts.join(QLatin1Char(' '));
}

QList<VocabChange> changes(const Difference& difference, bool pairing) {
    QStringList added = difference.added;
    QStringList removed;
    QList<VocabChange> lines;
    if (pairing && difference.removed.size() <= kMaxPairing && difference.added.size() <= kMaxPairing) {
        for (const QString& r : difference.removed) {
            qsizetype best = -1;
            qsizetype bestScore = 1;  // a score counts from 2
            for (qsizetype i = 0; i < added.size(); ++i) {
                const qsizetype score = resemblance(r, added.at(i));
                if (score > bestScore) {
                    best = i;
                    bestScore = score;
                }
            }
            if (best >= 0) {
                lines.append({VocabChange::Kind::replaced, r, added.takeAt(best)});
            } else {
                removed.append(r);
            }
        }
    } else {
        removed = difference.removed;
    }
    for (const QString& a : added) lines.append({VocabChange::Kind::added, QString(), a});
    for (const QString& r : removed) lines.append({VocabChange::Kind::removed, r, QString()});
    if (lines.size() <= kMaxLines) return lines;
    const qsizetype rest = lines.size() - kMaxLines;
    lines.resize(kMaxLines);
    lines.append({VocabChange::Kind::more, QString(), QStringLiteral("ほか %1件").arg(rest)});
    return lines;
}

QList<VocabChange> vocabularyChanges(const QString& saved, const QString& edited) {
    return changes(difference(splitWordList(saved), splitWordList(edited)), true);
}

QString vocabularyChangeSummary(const QString& saved, const QString& edited) {
    return summary(difference(splitWordList(saved), splitWordList(edited)));
}

QList<VocabChange> correctionsChanges(const QString& saved, const QString& edited) {
    return changes(difference(splitCorrectionLines(saved), splitCorrectionLines(edited)), false);
}

QString correctionsChangeSummary(const QString& saved, const QString& edited) {
    return summary(difference(splitCorrectionLines(saved), splitCorrectionLines(edited)));
}

}  // namespace VocabularyPreview
