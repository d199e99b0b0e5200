#pragma once

#include <QString>
#include <QStringList>

// The user's vocabulary turned into hints for the on-device recognisers: pieces split at
// ",", "、", "，" and line feeds, trimmed, 2 to 40 characters long, without case-insensitive
// repeats (the first form wins), at most 80, in their order.
namespace VocabularyHints {

// Where the vocabulary splits into words, here, in the stored list and in what the service is
// sent: ",", "、", "，" and the line feed. No other line break separates (a carriage return
// before a line feed is trimmed away with the blanks; a line separator stays inside its word).
bool isWordSeparator(QChar c);
// The pieces between separators, untrimmed, empty ones included.
QStringList splitAtWordSeparators(const QString& text);

QStringList fromText(const QString& vocabulary);
// From the `vocabulary` setting (the built-in vocabulary when unset).
QStringList current();

}  // namespace VocabularyHints
