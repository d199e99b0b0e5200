#include "platform/linux/ui/QtPointer.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

TEST(QtPointer, GlobalPositionsTurnIntoTheYUpSpaceOfThePrimaryScreen) {
    // Primary screen 1920 × 1080 at the origin.
    EXPECT_EQ(QtPointer::toYUp({0, 0}, 0, 0, 1080), QPointF(0, 1080));
    EXPECT_EQ(QtPointer::toYUp({100, 1080}, 0, 0, 1080), QPointF(100, 0));
    EXPECT_EQ(QtPointer::toYUp({500, 300}, 0, 0, 1080), QPointF(500, 780));
    // A primary screen that does not start at the desktop's origin; points left of and above it
    // go negative and beyond its height.
    EXPECT_EQ(QtPointer::toYUp({1920, 200}, 1920, 200, 1200), QPointF(0, 1200));
    EXPECT_EQ(QtPointer::toYUp({0, 0}, 1920, 200, 1200), QPointF(-1920, 1400));
}

TEST(QtPointer, MovingThePointerUpRaisesY) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) GTEST_SKIP() << "no screen";
    QtPointer pointer;
    QCursor::setPos(screen, 400, 500);
    const QPointF low = pointer.location();
    QCursor::setPos(screen, 400, 300);
    const QPointF high = pointer.location();
    if (high == low) GTEST_SKIP() << "this platform does not move the cursor";
    EXPECT_DOUBLE_EQ(high.y() - low.y(), 200);
    EXPECT_DOUBLE_EQ(high.x(), low.x());
}

}  // namespace
