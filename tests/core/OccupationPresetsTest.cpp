#include "core/AppPrefs.h"
#include "core/OccupationPresets.h"

#include <gtest/gtest.h>

namespace {

TEST(OccupationPresetsTest, BothTablesHaveTheSameNineKeys) {
    const QStringList& keys = OccupationPresets::keys();
    EXPECT_EQ(keys.size(), 9);
    for (const QString& key : keys) {
        EXPECT_TRUE(OccupationPresets::label(key)) << key.toStdString();
        EXPECT_TRUE(OccupationPresets::words(key)) << key.toStdString();
    }
    // The presets are the occupations of the `field` setting without "none".
    QStringList fieldCodes;
    for (const auto& row : AppPrefs::occupationTable())
        if (!row.key.isEmpty()) fieldCodes << row.key;
    EXPECT_EQ(keys, fieldCodes);
}

TEST(OccupationPresetsTest, LookupsAreExact) {
    EXPECT_EQ(OccupationPresets::label(QStringLiteral("engineer")), QStringLiteral("ソフトウェア開発"));
    EXPECT_FALSE(OccupationPresets::label(QStringLiteral("Engineer")));
    EXPECT_FALSE(OccupationPresets::words(QStringLiteral("Engineer")));
    EXPECT_FALSE(OccupationPresets::words(QString()));
    EXPECT_FALSE(OccupationPresets::words(QStringLiteral("astronaut")));
}

TEST(OccupationPresetsTest, WordListsSplitOnTheIdeographicComma) {
    const QStringList words = OccupationPresets::words(QStringLiteral("engineer"))->split(QStringLiteral("、"));
    EXPECT_EQ(words.size(), 30);
    EXPECT_EQ(words.first(), "デプロイ");
    EXPECT_EQ(words.last(), "Cloudflare");
    const QStringList estate = OccupationPresets::words(QStringLiteral("realestate"))->split(QStringLiteral("、"));
    EXPECT_EQ(estate.last(), "指値");
    for (const QString& key : OccupationPresets::keys())
        for (const QString& word : OccupationPresets::words(key)->split(QStringLiteral("、")))
            EXPECT_FALSE(word.trimmed().isEmpty()) << key.toStdString();
}

}  // namespace
