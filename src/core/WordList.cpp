#include "core/WordList.h"

namespace WordList {

bool isSeparator(QChar c) {
    const char16_t u = c.unicode();
    return u == u',' || u == u'、' || u == u'，' || u == u'\n';
}

QStringList split(const QString& text) {
    QStringList pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isSeparator(text.at(i))) continue;
        pieces.append(text.mid(start, i - start));
        start = i + 1;
    }
    pieces.append(text.mid(start));
    return pieces;
}

}  // namespace WordList
