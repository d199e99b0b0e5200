#pragma once

// Word errors of recognised text against what was said, as the accuracy benchmarks count them.

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace bench {

// The words of a text: lower case, letters and apostrophes only.
inline QStringList wordsOf(const QString& text) {
    static const QRegularExpression notWord(QStringLiteral("[^a-z' ]"));
    return text.toLower().remove(notWord).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Substitutions + deletions + insertions that turn `reference` into `heard`.
inline int wordErrors(const QStringList& reference, const QStringList& heard) {
    std::vector<int> row(size_t(heard.size() + 1));
    for (qsizetype j = 0; j <= heard.size(); ++j) row[size_t(j)] = int(j);
    for (qsizetype i = 1; i <= reference.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= heard.size(); ++j) {
            const int above = row[size_t(j)];
            row[size_t(j)] = std::min({above + 1, row[size_t(j - 1)] + 1,
                                       diagonal + (reference[i - 1] == heard[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[size_t(heard.size())];
}

// The word errors of `heard` against `said`, in percent of the words said.
inline double wordErrorPercent(const QString& said, const QString& heard) {
    const QStringList reference = wordsOf(said);
    return 100.0 * wordErrors(reference, wordsOf(heard)) / std::max<qsizetype>(1, reference.size());
}

}  // namespace bench
