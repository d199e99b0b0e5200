#pragma once

#include <QString>
#include <QStringList>

// Where the user's vocabulary splits into words: the same rule for the stored list, the settings'
// change preview, the hints for the recognisers and what the service is sent. ",", "、", "，" and
// the line feed separate; no other line break does (a carriage return before a line feed is
// trimmed away with the blanks; a line separator stays inside its word).
namespace WordList {

bool isSeparator(QChar c);
// The pieces between separators, untrimmed, empty ones included.
QStringList split(const QString& text);

}  // namespace WordList
