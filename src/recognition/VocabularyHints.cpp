#include "recognition/VocabularyHints.h"

#include "core/ServicePrefs.h"
#include "core/Graphemes.h"

#include <QSet>

namespace VocabularyHints {

bool isWordSeparator(QChar c) {
    const char16_t u = c.unicode();
    return u == u',' || u == u'、' || u == u'，' || u == u'\n';
}

QStringList splitAtWordSeparators(const QString& text) {
    QStringList pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isWordSeparator(text.at(i))) continue;
        pieces.append(text.mid(start, i - start));
        start = i + 1;
    }
    pieces.append(text.mid(start));
    return pieces;
}

QStringList fromText(const QString& vocabulary) {
    QStringList hints;
    QSet<QString> seen;
    for (const QString& raw : splitAtWordSeparators(vocabulary)) {
        const QString piece = raw.trimmed();
        const qsizetype length = Graphemes::count(piece);
        if (length < 2 || length > 40) continue;
        const QString key = piece.toLower();
        if (seen.contains(key)) continue;
        seen.insert(key);
        hints.append(piece);
        if (hints.size() == 80) break;
    }
    return hints;
}

QStringList current() { return fromText(ServicePrefs::vocabulary()); }

}  // namespace VocabularyHints
