#include "settings/Copy.h"

#include "settings/SettingsLabels.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

TEST(CopyTest, QualityTiersShowTheirOwnTitlesNotTheStoredValues) {
    EXPECT_EQ(Copy::find(Copy::qualityTiers(), QStringLiteral("low"))->title, QStringLiteral("Low"));
    EXPECT_EQ(Copy::find(Copy::qualityTiers(), QStringLiteral("middle"))->title, QStringLiteral("High"));
    EXPECT_EQ(Copy::find(Copy::qualityTiers(), QStringLiteral("high"))->title, QStringLiteral("Max"));
    // Two-piece details are joined with nothing between the pieces.
    EXPECT_EQ(Copy::find(Copy::qualityTiers(), QStringLiteral("low"))->detail,
              QStringLiteral("いちばん軽くて速い段です。少し間違うことがあり、文章は整えません。"));
    EXPECT_EQ(Copy::find(Copy::qualityTiers(), QStringLiteral("high"))->detail,
              QStringLiteral("清書や議事録など、精度が要る場面に。そのぶん、文字が出るまで少し時間がかかります。"));
}

TEST(CopyTest, InputQualitiesAnswerOnlyTheirFivePercentages) {
    for (int percent : {100, 90, 80, 70, 60}) {
        const auto item = Copy::find(Copy::inputQualities(), percent);
        ASSERT_TRUE(item) << percent;
        EXPECT_EQ(item->icon, QStringLiteral("speedometer"));
        EXPECT_EQ(item->title, QString::number(percent) + QLatin1Char('%'));
        EXPECT_FALSE(item->detail.isEmpty());
    }
    EXPECT_FALSE(Copy::find(Copy::inputQualities(), 50));
    EXPECT_FALSE(Copy::find(Copy::inputQualities(), 75));
    EXPECT_EQ(Copy::inputQualities().size(), 5u);
}

TEST(CopyTest, StyleHintsCoverEveryStyleButOff) {
    EXPECT_FALSE(Copy::styleHint(QStringLiteral("off")));
    for (const auto& [style, item] : Copy::cleanupStyles()) {
        if (style == QLatin1String("off")) continue;
        ASSERT_TRUE(Copy::styleHint(style)) << style.toStdString();
        EXPECT_TRUE(Copy::styleHint(style)->startsWith(QStringLiteral("例: ")));
    }
    // The wave dash is U+301C, not the full-width tilde.
    EXPECT_TRUE(Copy::styleHint(QStringLiteral("formal"))->contains(QChar(0x301C)));
    EXPECT_FALSE(Copy::styleHint(QStringLiteral("formal"))->contains(QChar(0xFF5E)));
}

TEST(CopyTest, SessionStyleChoiceSeparatesItsArrowsWithIdeographicSpaces) {
    const QString detail = Copy::find(Copy::modeSelectStyles(), QStringLiteral("session"))->detail;
    EXPECT_TRUE(detail.contains(QStringLiteral("↑ ていねいに\u3000↓ 指示を伝える\u3000← くだけた言い方\u3000→ やわらかい言い方。")));
    EXPECT_EQ(Copy::find(Copy::modeSelectStyles(), QStringLiteral("persistent"))->icon, QStringLiteral("pin.fill"));
}

TEST(CopyTest, UnknownKeysGiveNoItem) {
    EXPECT_FALSE(Copy::find(Copy::cleanupStyles(), QStringLiteral("Standard")));
    EXPECT_FALSE(Copy::find(Copy::newlineStyles(), QString()));
    EXPECT_FALSE(Copy::find(Copy::outputLanguages(), QStringLiteral("ja")));
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
