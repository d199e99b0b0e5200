#pragma once

#include <QString>
#include <QtGlobal>

// AT-SPI counts text offsets in code points; the rest of the application counts UTF-16 units.
namespace TextOffsets {

// UTF-16 offset of code point `codePoints` in `text` (clamped to the text).
inline qint64 utf16FromCodePoints(const QString& text, qint64 codePoints) {
    qint64 units = 0;
    for (qint64 cp = 0; cp < codePoints && units < text.size(); ++cp) {
        const bool pair = QChar::isHighSurrogate(text.at(units).unicode()) && units + 1 < text.size() &&
                          QChar::isLowSurrogate(text.at(units + 1).unicode());
        units += pair ? 2 : 1;
    }
    return units;
}

// Code-point offset of UTF-16 offset `units` (an offset inside a pair counts as after it).
inline qint64 codePointsFromUtf16(const QString& text, qint64 units) {
    qint64 cp = 0;
    for (qint64 i = 0; i < units && i < text.size(); ++i)
        if (!QChar::isLowSurrogate(text.at(i).unicode()) || i == 0 || !QChar::isHighSurrogate(text.at(i - 1).unicode()))
            ++cp;
    return cp;
}

// The UTF-16 range cut from the text; a surrogate split by the cut becomes U+FFFD.
inline QString cut(const QString& text, qint64 location, qint64 length) {
    QString part = text.mid(location, length);
    if (!part.isEmpty() && QChar::isLowSurrogate(part.front().unicode())) part[0] = QChar(0xFFFD);
    if (!part.isEmpty() && QChar::isHighSurrogate(part.back().unicode())) part[part.size() - 1] = QChar(0xFFFD);
    return part;
}

}  // namespace TextOffsets
