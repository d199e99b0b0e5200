#include "PrefsFixture.h"

#include <QFile>

namespace {

using CorrectionsTest = PrefsFixture;
using Pair = AppPrefs::CorrectionPair;
using Pairs = QList<Pair>;

// ---- parsing

TEST_F(CorrectionsTest, AbsentKeyGivesTheExampleAndEmptyTextGivesNothing) {
    EXPECT_EQ(AppPrefs::correctionPairs(), (Pairs{{"開業", "改行"}}));
    put("corrections", QString(""));
    EXPECT_TRUE(AppPrefs::correctionPairs().isEmpty());
}

TEST_F(CorrectionsTest, EverySeparatorAndItsPriority) {
    put("corrections", QStringLiteral("ＡＩ＝AI\nfoo: bar\nx -> \n→ orphan\nno separator\na=b→c\na→b→c\nk：v"));
    EXPECT_EQ(AppPrefs::correctionPairs(),
              (Pairs{{"ＡＩ", "AI"}, {"foo", "bar"}, {"x", ""}, {"a=b", "c"}, {"a", "b→c"}, {"k", "v"}}));
}

TEST_F(CorrectionsTest, LinesBreakAtEveryNewlineCharacterAndTrimUnicodeSpaces) {
    put("corrections", QStringLiteral("\u3000すいか\u3000→\tスイカ\u3000\r\nA→B\u2028C→D\u0085E→F\u000BG→H"));
    EXPECT_EQ(AppPrefs::correctionPairs(), (Pairs{{"すいか", "スイカ"}, {"A", "B"}, {"C", "D"}, {"E", "F"}, {"G", "H"}}));
    EXPECT_EQ(AppPrefs::correctionWrongPart(QStringLiteral("  →x")), std::nullopt);
    EXPECT_EQ(AppPrefs::correctionWrongPart(QStringLiteral("plain")), std::nullopt);
    EXPECT_EQ(AppPrefs::correctionWrongPart(QStringLiteral(" ab = c")), QStringLiteral("ab"));
}

// ---- adding

TEST_F(CorrectionsTest, AddingToTheExample) {
    AppPrefs::addCorrection(QStringLiteral("開業"), QStringLiteral("改行"));
    EXPECT_EQ(value("corrections"), QVariant(QStringLiteral("開業 → 改行")));
    AppPrefs::addCorrection(QStringLiteral("  スイカ\u3000"), QStringLiteral("Suica"));
    EXPECT_EQ(value("corrections"), QVariant(QStringLiteral("開業 → 改行\nスイカ → Suica")));
}

TEST_F(CorrectionsTest, TrailingBlankLines) {
    put("corrections", QStringLiteral("a → b\n"));
    AppPrefs::addCorrection(QStringLiteral("c"), QStringLiteral("d"));
    EXPECT_EQ(value("corrections"), QVariant(QStringLiteral("a → b\nc → d")));
    put("corrections", QStringLiteral("a → b\n\n"));
    AppPrefs::addCorrection(QStringLiteral("c"), QStringLiteral("d"));
    EXPECT_EQ(value("corrections"), QVariant(QStringLiteral("a → b\n\nc → d")));
    put("corrections", QString(""));
    AppPrefs::addCorrection(QStringLiteral("c"), QStringLiteral("d"));
    EXPECT_EQ(value("corrections"), QVariant(QStringLiteral("c → d")));
}

TEST_F(CorrectionsTest, NothingIsWrittenForEmptyOrIdenticalSidesOrARuleTheServiceCannotKeep) {
    EXPECT_FALSE(AppPrefs::addCorrection(QStringLiteral(" \u3000"), QStringLiteral("x")));
    EXPECT_FALSE(AppPrefs::addCorrection(QStringLiteral(" same "), QStringLiteral("same")));
    // "é" composed and decomposed are the same text.
    EXPECT_FALSE(AppPrefs::addCorrection(QStringLiteral("caf\u00e9"), QStringLiteral("cafe\u0301")));
    // "wrong → right" may have at most 4000 characters as the user sees them.
    const QString wrong = QStringLiteral("が、").repeated(998);  // 1996 characters
    EXPECT_FALSE(AppPrefs::addCorrection(wrong, QStringLiteral("e\u0301").repeated(2002)));
    EXPECT_FALSE(value("corrections").isValid());
    EXPECT_TRUE(AppPrefs::addCorrection(wrong, QStringLiteral("e\u0301").repeated(2001)));
    EXPECT_EQ(AppPrefs::correctionPairs().size(), 2);
}

TEST_F(CorrectionsTest, ReplacingKeepsTheOtherLinesAsWritten) {
    put("corrections", QStringLiteral("one:1\nfoo=bar\n  two ＝ 2"));
    AppPrefs::addCorrection(QStringLiteral("foo"), QStringLiteral("baz"));
    EXPECT_EQ(value("corrections"), QVariant(QStringLiteral("one:1\nfoo → baz\n  two ＝ 2")));
}

TEST_F(CorrectionsTest, ReplacingFindsACanonicallyEquivalentWrongPart) {
    put("corrections", QStringLiteral("cafe\u0301 → coffee\nx → y"));
    AppPrefs::addCorrection(QStringLiteral("caf\u00e9"), QStringLiteral("カフェ"));
    EXPECT_EQ(value("corrections"), QVariant(QStringLiteral("caf\u00e9 → カフェ\nx → y")));
}

// ---- applying

TEST_F(CorrectionsTest, PairsApplyInOrderToEveryOccurrence) {
    put("corrections", QStringLiteral("開業 → 改行\n改行 → 。\nAbc → \nfoo → bar"));
    EXPECT_EQ(AppPrefs::applyCorrections(QStringLiteral("開業して開業 Abc abc Foo foo")),
              QStringLiteral("。して。  abc Foo bar"));
    EXPECT_EQ(AppPrefs::applyCorrections(QString()), QString());
}

TEST_F(CorrectionsTest, RulesThatWouldMakeTheTextGrowWithoutEndArePassedOver) {
    QFile file(qEnvironmentVariable("QUENDLE_SOURCE_DIR") + QStringLiteral("/tests/data/hostile-inputs/corrections-doubling.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    put("corrections", QString::fromUtf8(file.readAll()).append(QStringLiteral("\nb → c")));
    const QString text = QStringLiteral("a b");
    const QString result = AppPrefs::applyCorrections(text);
    // Doubling goes on while it fits, then stops; the rules after it still apply.
    EXPECT_LE(result.size(), AppPrefs::correctionGrowthLimit(text.size()));
    EXPECT_GT(result.size(), AppPrefs::correctionGrowthLimit(text.size()) / 2);
    EXPECT_TRUE(result.endsWith(QStringLiteral("a c")));
}

TEST_F(CorrectionsTest, ApplyingMatchesCanonicallyEquivalentText) {
    put("corrections", QStringLiteral("caf\u00e9 → coffee"));
    EXPECT_EQ(AppPrefs::applyCorrections(QStringLiteral("a cafe\u0301!")), QStringLiteral("a coffee!"));
    // Text with no match is handed back exactly as it came.
    EXPECT_EQ(AppPrefs::applyCorrections(QStringLiteral("e\u0301")), QStringLiteral("e\u0301"));
}

}  // namespace
