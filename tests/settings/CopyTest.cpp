#include "settings/Copy.h"

#include "settings/SettingsLabels.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

// The stored tier names are not the titles the user sees ("middle" is shown as High).
TEST(CopyTest, QualityTiersShowTheirOwnTitlesNotTheStoredValues) {
    EXPECT_EQ(Copy::find(Copy::qualityTiers(), QStringLiteral("middle"))->title, QStringLiteral("High"));
    EXPECT_EQ(Copy::find(Copy::qualityTiers(), QStringLiteral("high"))->title, QStringLiteral("Max"));
}

TEST(CopyTest, StyleHintsCoverEveryStyleButOff) {
    EXPECT_FALSE(Copy::styleHint(QStringLiteral("off")));
    for (const auto& [style, item] : Copy::cleanupStyles()) {
        if (style != QLatin1String("off")) {
            EXPECT_TRUE(Copy::styleHint(style)) << style.toStdString();
        }
    }
}

TEST(CopyTest, TablesHoldExactlyTheStoredValuesOfTheirSettings) {
    const auto keys = [](const Copy::Table& table) {
        QStringList list;
        for (const auto& [key, item] : table) list << key;
        return list;
    };
    EXPECT_EQ(keys(Copy::cleanupStyles()),
              (QStringList{"formal", "friend", "junior", "lover", "off", "standard"}));
    EXPECT_EQ(keys(Copy::newlineStyles()), (QStringList{"blank", "line", "off", "smart"}));
    EXPECT_EQ(keys(Copy::outputLanguages()), (QStringList{"keyboard", "spoken"}));
    EXPECT_EQ(keys(Copy::modeSelectStyles()), (QStringList{"persistent", "session"}));
}

// The row label of the current cleanup style and the option card must never disagree.
TEST(CopyTest, CleanupTitlesAreTheModelsLabels) {
    for (const auto& [style, item] : Copy::cleanupStyles())
        EXPECT_EQ(SettingsLabels::cleanupModeLabel(style), item.title) << style.toStdString();
    EXPECT_EQ(Copy::find(Copy::cleanupStyles(), QStringLiteral("off"))->title, QStringLiteral("整えない"));
    for (const auto& [style, item] : Copy::newlineStyles())
        EXPECT_EQ(SettingsLabels::newlineStyleLabel(style, QStringLiteral("standard")), item.title);
    for (const auto& [level, item] : Copy::qualityTiers()) EXPECT_EQ(SettingsLabels::qualityLabel(level), item.title);
}

}  // namespace
