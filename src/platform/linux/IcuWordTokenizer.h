#pragma once

#include "platform/WordTokenizer.h"

// Words by ICU's word break rules with the Japanese locale (its CJK dictionary splits Japanese
// and Chinese runs into words; other scripts follow the Unicode word rules).
class IcuWordTokenizer final : public WordTokenizer {
public:
    QStringList words(const QString& text) const override;
};
