#include "core/AppPrefs.h"
#include "core/OccupationPresets.h"

#include <gtest/gtest.h>

namespace {

// The presets are the occupations of the `field` setting without "none", each with a label and
// a word list without empty entries; lookups are exact.
TEST(OccupationPresetsTest, EveryOccupationOfTheSettingHasAPresetAndLookupsAreExact) {
    QStringList fieldCodes;
    for (const auto& row : AppPrefs::occupationTable())
        if (!row.key.isEmpty()) fieldCodes << row.key;
    EXPECT_EQ(OccupationPresets::keys(), fieldCodes);
    for (const QString& key : OccupationPresets::keys()) {
        ASSERT_TRUE(OccupationPresets::label(key)) << key.toStdString();
        ASSERT_TRUE(OccupationPresets::words(key)) << key.toStdString();
        for (const QString& word : OccupationPresets::words(key)->split(QStringLiteral("、")))
            EXPECT_FALSE(word.trimmed().isEmpty()) << key.toStdString();
    }
    EXPECT_FALSE(OccupationPresets::label(QStringLiteral("Engineer")));
    EXPECT_FALSE(OccupationPresets::words(QString()));
}

}  // namespace
