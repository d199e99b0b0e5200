#pragma once

#include <QString>
#include <QStringList>

// The user's vocabulary turned into hints for the on-device recognisers: its words (WordList),
// trimmed, 2 to 40 characters long, without case-insensitive
// repeats (the first form wins), at most 80, in their order.
namespace VocabularyHints {

QStringList fromText(const QString& vocabulary);
// From the `vocabulary` setting (the built-in vocabulary when unset).
QStringList current();

}  // namespace VocabularyHints
