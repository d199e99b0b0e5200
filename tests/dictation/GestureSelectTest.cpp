#include "core/AppPrefs.h"
#include "dictation/GestureSelect.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakePointer.h"
#include "platform/fake/MemoryDefaults.h"

#include <gtest/gtest.h>

namespace {

using Pick = std::optional<QString>;

class GestureSelectTest : public ::testing::Test {
protected:
    GestureSelectTest() {
        AppPrefs::setDefaults(&defaults);
        gesture.onChange = [this](const Pick& pick) { changes.push_back(pick); };
    }
    ~GestureSelectTest() override { AppPrefs::setDefaults(nullptr); }

    void moveAndTick(double dx, double dy) {
        pointer.moveBy(dx, dy);
        queue.advance(GestureSelect::kPollInterval);
    }

    FakeMainQueue queue;
    MemoryDefaults defaults;
    FakePointer pointer;
    GestureSelect gesture{pointer};
    std::vector<Pick> changes;
};

TEST_F(GestureSelectTest, DirectionsThresholdAndTies) {
    EXPECT_EQ(GestureSelect::styleFor(0, 59.9), std::nullopt);
    EXPECT_EQ(GestureSelect::styleFor(-59, 0), std::nullopt);
    EXPECT_EQ(GestureSelect::styleFor(0, 60), Pick("formal"));   // y grows upward
    EXPECT_EQ(GestureSelect::styleFor(0, -60), Pick("junior"));
    EXPECT_EQ(GestureSelect::styleFor(-60, 0), Pick("friend"));
    EXPECT_EQ(GestureSelect::styleFor(60, 0), Pick("lover"));
    EXPECT_EQ(GestureSelect::styleFor(80, 80), Pick("formal"));  // a tie counts as vertical
    EXPECT_EQ(GestureSelect::styleFor(-80, -80), Pick("junior"));
    EXPECT_EQ(GestureSelect::styleFor(81, -80), Pick("lover"));
    EXPECT_EQ(GestureSelect::styleFor(50, 59), std::nullopt);   // the dominant axis decides
}

TEST_F(GestureSelectTest, MovingPicksOnceAndMovingBackClearsThePick) {
    gesture.start();
    moveAndTick(0, 59);
    EXPECT_TRUE(changes.empty());
    moveAndTick(0, 41);  // 100 up
    moveAndTick(10, 20);  // wandering inside the same region
    moveAndTick(-10, 5);
    EXPECT_EQ(changes, (std::vector<Pick>{Pick("formal")}));
    moveAndTick(0, -80);  // back to 45 above the origin
    EXPECT_EQ(changes, (std::vector<Pick>{Pick("formal"), std::nullopt}));
    EXPECT_EQ(gesture.stop(), std::nullopt);
}

TEST_F(GestureSelectTest, StopReturnsThePickStopsPollingAndDoesNotReport) {
    gesture.start();
    moveAndTick(-70, 0);
    moveAndTick(0, -200);
    EXPECT_EQ(changes, (std::vector<Pick>{Pick("friend"), Pick("junior")}));
    EXPECT_EQ(gesture.stop(), Pick("junior"));
    EXPECT_EQ(changes.size(), 2u);
    EXPECT_EQ(queue.pendingTimers(), 0u);
    moveAndTick(500, 0);
    EXPECT_EQ(changes.size(), 2u);
    EXPECT_EQ(gesture.stop(), std::nullopt);
}

TEST_F(GestureSelectTest, RestartBeginsAtTheCurrentPointer) {
    gesture.start();
    moveAndTick(100, 0);
    gesture.start();  // restarted far to the right: no pick yet, and no report of the reset
    EXPECT_EQ(changes.size(), 1u);
    moveAndTick(-50, 0);
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_EQ(queue.pendingTimers(), 1u);
    moveAndTick(-20, 0);
    EXPECT_EQ(changes.back(), Pick("friend"));
}

TEST_F(GestureSelectTest, SettingOffMeansNoGesture) {
    defaults.set("gestureSelect", false);
    gesture.start();
    EXPECT_FALSE(gesture.isTracking());
    moveAndTick(0, 100);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(gesture.stop(), std::nullopt);
}

TEST_F(GestureSelectTest, ATimerThatOutlivesTheSelectorDoesNothing) {
    {
        GestureSelect doomed(pointer);
        doomed.onChange = [this](const Pick& pick) { changes.push_back(pick); };
        doomed.start();
    }
    moveAndTick(0, 100);
    EXPECT_TRUE(changes.empty());
}

}  // namespace
