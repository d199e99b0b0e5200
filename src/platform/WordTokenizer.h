#pragma once

#include <QString>
#include <QStringList>

// Splits text into words the way a reader would: English at blanks and punctuation, Japanese
// (which has no blanks) by dictionary. Callable from any thread.
class WordTokenizer {
public:
    virtual ~WordTokenizer() = default;
    // The words of `text` in order, without the blanks and punctuation between them. Symbols
    // (emoji, arrows) that stand on their own count as words.
    virtual QStringList words(const QString& text) const = 0;
};
