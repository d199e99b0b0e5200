#pragma once

#include <QString>

// The settings the service client and the recognisers read straight from the defaults, with
// the fallbacks they share.
namespace ServicePrefs {

// How many characters of each word list (vocabulary, corrections) the service takes.
constexpr qsizetype kServiceListLimit = 4000;

// The vocabulary used wherever `vocabulary` holds no string.
const QString& defaultVocabulary();
// `vocabulary` when it holds a string (even an empty one), else defaultVocabulary().
QString vocabulary();
// "styleNote." + style; "" when unset.
QString styleNote(const QString& style);
// `loverHeartLevel`, "lots" when unset (not validated).
QString loverHeartLevel();
// `cleanupStyle` when it holds a string, else "standard".
QString storedCleanupStyle();
// Reads an integer counter (0 when unset), adds one and stores it.
void incrementCounter(const QString& key);

}  // namespace ServicePrefs
