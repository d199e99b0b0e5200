// Which run of the executable the arguments select: the first switch in the fixed order wins,
// wherever the switches stand among the arguments.
#include "app/LaunchSwitch.h"

#include <gtest/gtest.h>

namespace {

std::optional<QString> pick(const QStringList& arguments) {
    return LaunchSwitch::select(QStringList{QStringLiteral("/opt/Quendle.app/Contents/MacOS/Quendle")} + arguments);
}

// The order the README gives: of every two neighbours the earlier runs, whichever stands first and
// whatever stands between them.
TEST(LaunchSwitchTest, OfEveryTwoNeighboursInTheOrderTheEarlierWins) {
    const QStringList order{"--probe-input-monitoring", "--probe-swiftui",    "--smoke",
                            "--onboarding-preview",     "--settings-preview", "--usage-guide-preview",
                            "--hud-preview",            "--speech26-smoke"};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
        SCOPED_TRACE(order[i].toStdString());
        EXPECT_EQ(pick({order[i], order[i + 1]}), order[i]);
        EXPECT_EQ(pick({order[i + 1], "x.wav", order[i]}), order[i]);
    }
    EXPECT_EQ(pick({"--speech26-smoke", "a.wav"}), QStringLiteral("--speech26-smoke"));
}

TEST(LaunchSwitchTest, OnlyExactSwitchesCount) {
    EXPECT_EQ(pick({}), std::nullopt);
    EXPECT_EQ(pick({"--takeover", "--Smoke", "--smoke=1", "-smoke", "smoke"}), std::nullopt);
    // A value that happens to spell a switch is still a switch: position does not matter.
    EXPECT_EQ(pick({"--key", "--hud-preview"}), QStringLiteral("--hud-preview"));
}

}  // namespace
