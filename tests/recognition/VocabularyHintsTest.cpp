// Vocabulary hints for the on-device recognisers.
#include "RecognitionFixture.h"
#include "recognition/VocabularyHints.h"

namespace {

class VocabularyHintsTest : public RecognitionFixture {};

TEST_F(VocabularyHintsTest, UnsetVocabularyGivesTheBuiltInNamesInOrder) {
    const QStringList hints = VocabularyHints::current();
    ASSERT_EQ(hints.size(), 37);
    EXPECT_EQ(hints.first(), QStringLiteral("Quendle"));
    EXPECT_EQ(hints.last(), QStringLiteral("Discord"));
    defaults.set(QStringLiteral("vocabulary"), QString());
    EXPECT_TRUE(VocabularyHints::current().isEmpty());
}

TEST_F(VocabularyHintsTest, SplittingTrimmingLengthAndRepeats) {
    struct Case {
        QString text;
        QStringList hints;
    };
    const QString word41 = QStringLiteral("x").repeated(41);
    const std::vector<Case> cases = {
        {QStringLiteral("GitHub、github，GITHUB"), {QStringLiteral("GitHub")}},
        {QStringLiteral("a, ab, 漢字, 字"), {QStringLiteral("ab"), QStringLiteral("漢字")}},
        {word41 + QStringLiteral(",ok"), {QStringLiteral("ok")}},
        {QStringLiteral("alpha\r\nbeta"), {QStringLiteral("alpha"), QStringLiteral("beta")}},
        {QStringLiteral("alpha;beta"), {QStringLiteral("alpha;beta")}},
        {QStringLiteral("　全角　,,\n\n , 👨‍👩‍👧👨‍👩‍👧"), {QStringLiteral("全角"), QStringLiteral("👨‍👩‍👧👨‍👩‍👧")}},
    };
    for (const Case& c : cases) EXPECT_EQ(VocabularyHints::fromText(c.text), c.hints) << c.text.toStdString();
}

TEST_F(VocabularyHintsTest, AtMostEightyHints) {
    QStringList words;
    for (int i = 0; i < 100; ++i) words << QStringLiteral("word%1").arg(i);
    const QStringList hints = VocabularyHints::fromText(words.join(QLatin1Char(',')));
    EXPECT_EQ(hints, words.mid(0, 80));
}

}  // namespace
