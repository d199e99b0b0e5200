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

TEST_F(ToastPlacement, CentredWithoutAPointAndBesideThePointButInsideItsScreenWithOne) {
    const QSizeF size(200, 40);
    EXPECT_EQ(QRectF(Toast::placement(size, std::nullopt), size).center(), QRectF(0, 70, 1440, 805).center());
    const QRectF beside(Toast::placement(size, QPointF(2000, 500)), size);
    EXPECT_GT(beside.left(), 2000);
    EXPECT_LT(beside.bottom(), 500);
    // Near the edges of the visible frame, and outside every screen: pushed back inside the frame.
    for (QPointF point : {QPointF(1400, 500), QPointF(100, 80), QPointF(-500, -500)})
        EXPECT_TRUE(QRectF(0, 70, 1440, 805).contains(QRectF(Toast::placement(size, point), size)))
            << point.x() << "," << point.y();
}

TEST(ToastPlacementWithoutScreens, OriginOrDefaultFrame) {
    Screens::install(nullptr);
    EXPECT_EQ(Toast::placement(QSizeF(200, 40), std::nullopt), QPointF(0, 0));
    EXPECT_EQ(Toast::placement(QSizeF(200, 40), QPointF(1430, 10)), QPointF(1240, 0));
}
