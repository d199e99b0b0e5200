#pragma once

#include "platform/WordTokenizer.h"

// Words are the runs between blanks and punctuation; every CJK character is a word of its own.
class FakeWordTokenizer final : public WordTokenizer {
public:
    QStringList words(const QString& text) const override {
        QStringList out;
        QString current;
        auto flush = [&] {
            if (!current.isEmpty()) out.append(current);
            current.clear();
        };
        for (const QChar c : text) {
            if (c.isSpace() || c.isPunct()) {
                flush();
            } else if (c.unicode() >= 0x3000) {
                flush();
                out.append(QString(c));
            } else {
                current.append(c);
            }
        }
        flush();
        return out;
    }
};
