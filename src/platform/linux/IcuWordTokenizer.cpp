#include "platform/linux/IcuWordTokenizer.h"

#include <memory>
#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/ubrk.h>
#include <unicode/unistr.h>

namespace {

// A segment the rules call "no word" (blanks, punctuation) still counts when it holds a symbol.
bool holdsSymbol(const QString& segment) {
    for (const QChar c : segment) {
        if (c.isSpace() || c.isPunct()) continue;
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) continue;
        if (c.category() == QChar::Mark_NonSpacing || c.category() == QChar::Mark_Enclosing) continue;
        return true;
    }
    return false;
}

}  // namespace

QStringList IcuWordTokenizer::words(const QString& text) const {
    QStringList out;
    if (text.isEmpty()) return out;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createWordInstance(icu::Locale::getJapanese(), status));
    if (U_FAILURE(status) || !it) {
        // No word rules: blanks are all there is to go by.
        for (const QString& piece : text.split(QChar(' '), Qt::SkipEmptyParts)) out.append(piece);
        return out;
    }
    // ICU and QString both count UTF-16 units, so the offsets carry over unchanged.
    const icu::UnicodeString utext(false, reinterpret_cast<const UChar*>(text.utf16()), static_cast<int32_t>(text.size()));
    it->setText(utext);
    int32_t start = it->first();
    for (int32_t end = it->next(); end != icu::BreakIterator::DONE; start = end, end = it->next()) {
        const QString segment = text.mid(start, end - start);
        const int32_t rule = it->getRuleStatus();
        if (rule >= UBRK_WORD_NONE && rule < UBRK_WORD_NONE_LIMIT && !holdsSymbol(segment)) continue;
        out.append(segment);
    }
    return out;
}
