// Which run of the executable the arguments select: the first switch in the fixed order wins,
// wherever the switches stand among the arguments.
#include "app/LaunchSwitch.h"

#include <gtest/gtest.h>

namespace {

std::optional<QString> pick(const QStringList& arguments) {
    return LaunchSwitch::select(QStringList{QStringLiteral("/opt/Quendle.app/Contents/MacOS/Quendle")} + arguments);
}

TEST(LaunchSwitchTest, TheEarlierSwitchInTheOrderWinsWhereverItStands) {
    EXPECT_EQ(pick({"--smoke", "--probe-input-monitoring"}), QStringLiteral("--probe-input-monitoring"));
    EXPECT_EQ(pick({"--smoke", "--probe-swiftui"}), QStringLiteral("--probe-swiftui"));
    EXPECT_EQ(pick({"--probe-swiftui", "--smoke"}), QStringLiteral("--probe-swiftui"));
    EXPECT_EQ(pick({"--hud-preview", "--smoke", "--key", "k"}), QStringLiteral("--smoke"));
    EXPECT_EQ(pick({"--hud-preview", "--speech26-smoke", "x"}), QStringLiteral("--hud-preview"));
    EXPECT_EQ(pick({"--hud-preview", "--usage-guide-preview", "--settings-preview"}), QStringLiteral("--settings-preview"));
    EXPECT_EQ(pick({"--usage-guide-preview", "--onboarding-preview"}), QStringLiteral("--onboarding-preview"));
    EXPECT_EQ(pick({"--speech26-smoke", "a.wav"}), QStringLiteral("--speech26-smoke"));
}

TEST(LaunchSwitchTest, OnlyExactSwitchesCount) {
    EXPECT_EQ(pick({}), std::nullopt);
    EXPECT_EQ(pick({"--takeover", "--Smoke", "--smoke=1", "-smoke", "smoke"}), std::nullopt);
    // A value that happens to spell a switch is still a switch: position does not matter.
    EXPECT_EQ(pick({"--key", "--hud-preview"}), QStringLiteral("--hud-preview"));
}

}  // namespace
