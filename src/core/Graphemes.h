#pragma once

#include <QString>

// Counting and cutting text by user-perceived characters (grapheme clusters).
namespace Graphemes {

qsizetype count(const QString& text);
// The first `n` characters (the whole text when it has fewer).
QString first(const QString& text, qsizetype n);
// The last `n` characters (the whole text when it has fewer).
QString last(const QString& text, qsizetype n);

}  // namespace Graphemes
