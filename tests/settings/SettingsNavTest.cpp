#include "settings/SettingsNav.h"

#include <gtest/gtest.h>

namespace {

using S = SettingsScreen;

TEST(SettingsNavTest, StartsOnTheRootWithoutBackButton) {
    SettingsNav nav;
    EXPECT_EQ(nav.stack(), QList<S>{S::root});
    EXPECT_EQ(nav.top(), S::root);
    EXPECT_FALSE(nav.back());
    EXPECT_FALSE(nav.canGoBack());
    EXPECT_EQ(SettingsScreens::title(nav.top()), QStringLiteral("設定"));
}

TEST(SettingsNavTest, PushAndPopRecordTheDirection) {
    SettingsNav nav;
    nav.push(S::speak);
    nav.push(S::sounds);
    EXPECT_EQ(nav.stack(), (QList<S>{S::root, S::speak, S::sounds}));
    EXPECT_FALSE(nav.back());
    EXPECT_EQ(SettingsScreens::title(nav.top()), QStringLiteral("効果音"));
    nav.pop();
    EXPECT_TRUE(nav.back());
    EXPECT_EQ(nav.top(), S::speak);
    nav.push(S::triggerKey);
    EXPECT_FALSE(nav.back());
    nav.pop();
    nav.pop();
    EXPECT_EQ(nav.stack(), QList<S>{S::root});
}

TEST(SettingsNavTest, PopOnTheRootChangesNothingAndTellsNobody) {
    SettingsNav nav;
    int changes = 0;
    nav.observe([&] { ++changes; });
    nav.pop();
    EXPECT_EQ(nav.stack(), QList<S>{S::root});
    EXPECT_FALSE(nav.back());
    EXPECT_EQ(changes, 0);
}

TEST(SettingsNavTest, ResetReturnsToTheRootGoingBackwards) {
    SettingsNav nav;
    nav.push(S::text);
    nav.push(S::cleanup);
    int changes = 0;
    nav.observe([&] { ++changes; });
    nav.resetToRoot();
    EXPECT_EQ(nav.stack(), QList<S>{S::root});
    EXPECT_TRUE(nav.back());
    EXPECT_EQ(changes, 1);
}

TEST(SettingsNavTest, PushAllowsTheSameScreenTwice) {
    SettingsNav nav;
    nav.push(S::permissions);
    nav.push(S::permissions);
    EXPECT_EQ(nav.stack().size(), 3);
}

TEST(SettingsNavTest, ObserversMayLeaveWhileBeingTold) {
    SettingsNav nav;
    int first = 0, second = 0;
    SettingsNav::ObserverId secondId = 0;
    nav.observe([&] {
        ++first;
        nav.unobserve(secondId);
    });
    secondId = nav.observe([&] { ++second; });
    nav.push(S::speak);
    nav.push(S::sounds);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 0);
}

TEST(SettingsNavTest, EveryScreenHasItsOwnTitle) {
    QStringList titles;
    for (S screen : SettingsScreens::all()) {
        const QString title = SettingsScreens::title(screen);
        EXPECT_FALSE(title.isEmpty());
        EXPECT_FALSE(titles.contains(title)) << title.toStdString();
        titles << title;
    }
    EXPECT_EQ(titles.size(), 20);
    EXPECT_EQ(SettingsScreens::title(S::screenshotPaste), QStringLiteral("スクリーンショットを貼る"));
    EXPECT_EQ(SettingsScreens::title(S::hudPlacement), QStringLiteral("切りかえパネル"));
}

}  // namespace
