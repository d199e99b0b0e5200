#include "core/Toast.h"
#include "platform/fake/FakeScreens.h"

#include <gtest/gtest.h>

namespace {
// A 1440 × 900 primary screen with a 25 pt panel at the top and a 70 pt dock at the bottom, and a
// second screen to its right.
class ToastPlacement : public ::testing::Test {
protected:
    void SetUp() override {
        screens.screens = {
            {QRectF(0, 0, 1440, 900), QRectF(0, 70, 1440, 805)},
            {QRectF(1440, 0, 1920, 1080), QRectF(1440, 0, 1920, 1050)},
        };
        Screens::install(&screens);
    }
    void TearDown() override { Screens::install(nullptr); }
    FakeScreens screens;
};
}  // namespace

TEST_F(ToastPlacement, CentredInTheMainScreensVisibleFrame) {
    const QPointF origin = Toast::placement(QSizeF(200, 40), std::nullopt);
    EXPECT_DOUBLE_EQ(origin.x(), 720 - 100);
    EXPECT_DOUBLE_EQ(origin.y(), 70 + 805 / 2.0 - 20);
}

TEST_F(ToastPlacement, BelowAndRightOfThePointInsideItsScreen) {
    const QPointF origin = Toast::placement(QSizeF(200, 40), QPointF(2000, 500));
    EXPECT_DOUBLE_EQ(origin.x(), 2014);
    EXPECT_DOUBLE_EQ(origin.y(), 500 - 40 - 14);
}

TEST_F(ToastPlacement, PushedBackInsideTheVisibleFrame) {
    // Near the right edge: the right edge meets the frame's right edge.
    EXPECT_DOUBLE_EQ(Toast::placement(QSizeF(200, 40), QPointF(1400, 500)).x(), 1440 - 200);
    // Near the bottom: the bottom meets the visible frame's bottom, above the dock.
    EXPECT_DOUBLE_EQ(Toast::placement(QSizeF(200, 40), QPointF(100, 80)).y(), 70);
    // Wider than the frame: aligned to the right edge (the right limit wins).
    EXPECT_DOUBLE_EQ(Toast::placement(QSizeF(1600, 40), QPointF(100, 500)).x(), 1440 - 1600);
}

TEST_F(ToastPlacement, PointOutsideEveryScreenUsesTheMainScreen) {
    const QPointF origin = Toast::placement(QSizeF(200, 40), QPointF(-500, -500));
    EXPECT_DOUBLE_EQ(origin.x(), 0);
    EXPECT_DOUBLE_EQ(origin.y(), 70);
}

TEST(ToastPlacementWithoutScreens, OriginOrDefaultFrame) {
    Screens::install(nullptr);
    EXPECT_EQ(Toast::placement(QSizeF(200, 40), std::nullopt), QPointF(0, 0));
    // With a point and no screen at all, a 1440 × 900 frame at the origin stands in.
    EXPECT_EQ(Toast::placement(QSizeF(200, 40), QPointF(1430, 10)), QPointF(1240, 0));
}
