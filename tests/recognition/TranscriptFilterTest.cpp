// Every rule of the noise filter, with its boundaries.
#include "recognition/TranscriptFilter.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    QString text;
    bool noise;
    const char* why;
};

QString repeat(const QString& s, int n) { return s.repeated(n); }

TEST(TranscriptFilterTest, Rules) {
    const std::vector<Case> cases = {
        // 1: a caption in brackets, at most 20 code points inside, pairs need not match
        {QStringLiteral("（拍手）"), true, "caption"},
        {QStringLiteral("[音楽]"), true, "caption"},
        {QStringLiteral("(笑）"), true, "unmatched pair still counts"},
        {QStringLiteral("  【拍手】\n"), true, "trimmed first"},
        {QStringLiteral("(笑) では始めます"), false, "does not end with a bracket"},
        {QStringLiteral("【") + repeat(QStringLiteral("あい"), 10) + QStringLiteral("】"), true, "20 inside"},
        {QStringLiteral("【") + repeat(QStringLiteral("あい"), 10) + QStringLiteral("う】"), false, "21 inside"},
        {QStringLiteral("(a\nb)"), false, "no line break inside a caption"},
        // 2: only notes, punctuation and white space
        {QStringLiteral("♪♪♪"), true, "notes"},
        {QStringLiteral("。。。"), true, "periods"},
        {QStringLiteral("、 . ,　♪"), true, "mixed with spaces"},
        {QStringLiteral("…"), false, "ellipsis is not in the set"},
        // 3: eight or more of one character in a row, anywhere
        {QStringLiteral("ああああああああ"), true, "8 in a row"},
        {QStringLiteral("はいああああああああです"), true, "8 inside"},
        {QStringLiteral("あああああああ"), false, "7 in a row"},
        {repeat(QStringLiteral("😀"), 8), true, "a character outside the BMP counts once"},
        {repeat(QStringLiteral("😀"), 7) + QStringLiteral("です"), false, "7 emoji"},
        // 4: a stock phrase once the edge punctuation is gone
        {QStringLiteral("ご視聴ありがとうございました。"), true, "edge 。 trimmed"},
        {QStringLiteral("Thanks for watching!"), true, "edge ! trimmed"},
        {QStringLiteral("thanks for watching"), false, "case-sensitive"},
        // 5: shorter than 40 characters and containing a stock phrase
        {QStringLiteral("今日はありがとうございました"), true, "14 characters"},
        {repeat(QStringLiteral("かき"), 15) + QStringLiteral("ありがとうございました"), false, "41 characters"},
        // 6: a closing word
        {QStringLiteral("終わり。"), true, "closing word"},
        {QStringLiteral("　オワリ！"), true, "closing word with edges"},
        {QStringLiteral("「終」"), false, "corner brackets are not trimmed"},
        {QStringLiteral("明日の会議は10時からです"), false, "plain dictation"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TranscriptFilter::isNoise(c.text), c.noise) << c.why << ": " << c.text.toStdString();
    }
}

TEST(TranscriptFilterTest, FortyCharacterLimitCountsWhatTheUserSees) {
    // 28 + 11 = 39 characters: noise; 29 + 11 = 40: not noise.
    const QString phrase = QStringLiteral("ありがとうございました");
    QString prefix;
    for (int i = 0; i < 28; ++i) prefix += QChar(u'一' + i);
    EXPECT_TRUE(TranscriptFilter::isNoise(prefix + phrase));
    EXPECT_FALSE(TranscriptFilter::isNoise(prefix + QChar(u'丁') + phrase));
    // A family emoji is one character of many code units.
    const QString family = QStringLiteral("👨‍👩‍👧");
    QString emoji;
    for (int i = 0; i < 28; ++i) emoji += (i % 2 ? family : QStringLiteral("猫"));
    EXPECT_TRUE(TranscriptFilter::isNoise(emoji + phrase));
}

}  // namespace
