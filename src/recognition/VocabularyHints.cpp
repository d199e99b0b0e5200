#include "recognition/VocabularyHints.h"

#include "core/ServicePrefs.h"
#include "core/Graphemes.h"
#include "core/WordList.h"

#include <QSet>

namespace VocabularyHints {

QStringList fromText(const QString& vocabulary) {
    QStringList hints;
    QSet<QString> seen;
    for (const QString& raw : WordList::split(vocabulary)) {
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
