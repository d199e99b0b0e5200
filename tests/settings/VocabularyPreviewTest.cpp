#include "settings/VocabularyPreview.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const VocabChange& change, std::ostream* out) {
    *out << "{" << int(change.kind) << ", \"" << change.oldText.toStdString() << "\", \""
         << change.newText.toStdString() << "\"}";
}

namespace {

using Kind = VocabChange::Kind;
namespace VP = VocabularyPreview;

VocabChange added(const char* word) { return {Kind::added, QString(), QString::fromUtf8(word)}; }
VocabChange removed(const char* word) { return {Kind::removed, QString::fromUtf8(word), QString()}; }
VocabChange replaced(const char* from, const char* to) {
    return {Kind::replaced, QString::fromUtf8(from), QString::fromUtf8(to)};
}

QString words(int from, int to) {
    QStringList list;
    for (int i = from; i < to; ++i) list << QStringLiteral("word%1").arg(i);
    return list.join(QLatin1Char('\n'));
}

TEST(VocabularyPreviewTest, WordListSplitsAtTheFourSeparatorsAndTrimsBlanks) {
    EXPECT_EQ(VP::splitWordList(QStringLiteral(" Zoom ,\tSlack、Teams，\u3000Notion\u3000\n\n, ,GitHub")),
              (QStringList{"Zoom", "Slack", "Teams", "Notion", "GitHub"}));
    // Other punctuation and inner blanks stay; duplicates and order stay.
    EXPECT_EQ(VP::splitWordList(QStringLiteral("Google Meet;x\nGoogle Meet")),
              (QStringList{"Google Meet;x", "Google Meet"}));
    EXPECT_TRUE(VP::splitWordList(QStringLiteral(" , 、\n")).isEmpty());
}

TEST(VocabularyPreviewTest, CorrectionLinesSplitAtEveryLineBreak) {
    EXPECT_EQ(VP::splitCorrectionLines(QStringLiteral("a → b\r\n\r\n  c → d  \u2028e, f")),
              (QStringList{"a → b", "c → d", "e, f"}));
}

TEST(VocabularyPreviewTest, EqualListsAndReorderingsChangeNothing) {
    const QString saved = QStringLiteral("Zoom, Slack, Teams");
    EXPECT_TRUE(VP::vocabularyChanges(saved, QStringLiteral("Zoom\nSlack\nTeams")).isEmpty());
    EXPECT_TRUE(VP::vocabularyChanges(saved, QStringLiteral("Teams\nZoom\nSlack")).isEmpty());
    EXPECT_EQ(VP::vocabularyChangeSummary(saved, QStringLiteral("Teams\nZoom\nSlack")), QString());
    EXPECT_TRUE(VP::correctionsChanges(QStringLiteral("a → b\nc → d"), QStringLiteral("c → d\na → b\n")).isEmpty());
}

TEST(VocabularyPreviewTest, ACaseChangeIsOneReplacedLineCountedAsAddedAndRemoved) {
    const QString saved = QStringLiteral("Zoom, Slack");
    const QString edited = QStringLiteral("zoom\nSlack");
    EXPECT_EQ(VP::vocabularyChanges(saved, edited), (QList<VocabChange>{replaced("Zoom", "zoom")}));
    EXPECT_EQ(VP::vocabularyChangeSummary(saved, edited), QStringLiteral("+1 −1"));
}

TEST(VocabularyPreviewTest, SummaryNamesOnlyTheSidesThatChanged) {
    EXPECT_EQ(VP::vocabularyChangeSummary(QStringLiteral("a"), QStringLiteral("a, b, c")), QStringLiteral("+2"));
    EXPECT_EQ(VP::vocabularyChangeSummary(QStringLiteral("a, b"), QString()), QStringLiteral("−2"));
}

TEST(VocabularyPreviewTest, PairingTakesTheMostSimilarAddedWordAndLeavesPoorMatches) {
    // A word contained in the other scores the longer length: "Ex" and "Exce" both score 5 against
    // "Excel", and the earlier one wins the tie; "Exc" shares only its beginning with "Ex…".
    EXPECT_EQ(VP::vocabularyChanges(QStringLiteral("Excel"), QStringLiteral("Ex\nExce")),
              (QList<VocabChange>{replaced("Excel", "Ex"), added("Exce")}));
    EXPECT_EQ(VP::vocabularyChanges(QStringLiteral("Word"), QStringLiteral("wo\nWORDS")),
              (QList<VocabChange>{replaced("Word", "WORDS"), added("wo")}));
    EXPECT_EQ(VP::vocabularyChanges(QStringLiteral("abcd"), QStringLiteral("abxx\nabyy")),
              (QList<VocabChange>{replaced("abcd", "abxx"), added("abyy")}));
    // A common beginning of one character is no match.
    EXPECT_EQ(VP::vocabularyChanges(QStringLiteral("Slack"), QStringLiteral("Skype")),
              (QList<VocabChange>{added("Skype"), removed("Slack")}));
    // Prefixes compare without regard to case, and by characters: "Ｇｍａ" vs "ｇｍａ".
    EXPECT_EQ(VP::vocabularyChanges(QStringLiteral("Ｇｍａｉｌ"), QStringLiteral("ｇｍａｘ")),
              (QList<VocabChange>{replaced("Ｇｍａｉｌ", "ｇｍａｘ")}));
}

TEST(VocabularyPreviewTest, FourRemovedWordsAreNeverPaired) {
    EXPECT_EQ(VP::vocabularyChanges(QStringLiteral("Zoom, Slack, Teams, Notion"), QStringLiteral("zoom")),
              (QList<VocabChange>{added("zoom"), removed("Zoom"), removed("Slack"), removed("Teams"),
                                  removed("Notion")}));
}

TEST(VocabularyPreviewTest, CorrectionsAreNeverPaired) {
    EXPECT_EQ(VP::correctionsChanges(QStringLiteral("開業 → 改行"), QStringLiteral("開業 → 改行です")),
              (QList<VocabChange>{added("開業 → 改行です"), removed("開業 → 改行")}));
    EXPECT_EQ(VP::correctionsChangeSummary(QStringLiteral("開業 → 改行"), QStringLiteral("開業 → 改行です")),
              QStringLiteral("+1 −1"));
}

TEST(VocabularyPreviewTest, LongListsAreCutAfterEightLines) {
    const QList<VocabChange> lines = VP::vocabularyChanges(QString(), words(0, 12));
    ASSERT_EQ(lines.size(), 9);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(lines.at(i), added(QStringLiteral("word%1").arg(i).toUtf8().constData()));
    EXPECT_EQ(lines.last(), (VocabChange{Kind::more, QString(), QStringLiteral("ほか 4件")}));
    EXPECT_EQ(VP::vocabularyChanges(QString(), words(0, 8)).size(), 8);
    EXPECT_EQ(VP::vocabularyChanges(QString(), words(0, 9)).last().newText, QStringLiteral("ほか 1件"));
}

TEST(VocabularyPreviewTest, OccurrencesAreCounted) {
    EXPECT_EQ(VP::vocabularyChanges(QStringLiteral("Zoom, Zoom, Slack"), QStringLiteral("Slack\nZoom")),
              (QList<VocabChange>{removed("Zoom")}));
    EXPECT_EQ(VP::vocabularyChangeSummary(QStringLiteral("Zoom"), QStringLiteral("Zoom\nZoom")), QStringLiteral("+1"));
}

}  // namespace
