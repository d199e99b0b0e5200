// The left-button watch: click counting on its own, then on the real X server of the headless
// session with XTest pressing and moving the pointer as a person would.
#include "platform/PointerButtons.h"
#include "platform/fake/FakeScreens.h"
#include "platform/linux/X11PointerButtons.h"

#include "TestHome.h"

#include <gtest/gtest.h>

#include "X11TestDesktop.h"  // X headers last: their macros clash with other headers

namespace {

using Type = PointerButtonEvent::Type;

TEST(ClickCounterTest, PressesCloseInTimeAndPlaceMakeOneMultipleClick) {
    ClickCounter clicks(0.4, 5);
    EXPECT_EQ(clicks.press(10.0, {100, 100}), 1);
    EXPECT_EQ(clicks.press(10.3, {103, 96}), 2);
    EXPECT_EQ(clicks.press(10.7, {103, 96}), 3);  // each press measured from the one before
    EXPECT_EQ(clicks.press(11.2, {103, 96}), 1);  // too late
    EXPECT_EQ(clicks.press(11.3, {110, 96}), 1);  // too far
    EXPECT_EQ(clicks.press(11.4, {110, 96}), 2);
    clicks.reset();
    EXPECT_EQ(clicks.press(11.5, {110, 96}), 1);
    EXPECT_EQ(clicks.press(11.4, {110, 96}), 1);  // time going backwards starts again
}

class X11PointerButtonsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QUENDLE_REQUIRE_SESSION();
        lock = std::make_unique<XKeyboardLock>();
        screens.screens = {{QRectF(0, 0, 1000, 800), QRectF(0, 0, 1000, 800)}};
        Screens::install(&screens);
        ASSERT_TRUE(mouse.ok());
        move(200, 200);
        ASSERT_TRUE(buttons.start([this](const PointerButtonEvent& e) { events.append(e); }));
    }
    void TearDown() override {
        buttons.stop();
        Screens::install(nullptr);
    }

    void move(int x, int y) {
        XTestFakeMotionEvent(mouse.display(), -1, x, y, CurrentTime);
        XFlush(mouse.display());
    }
    void button(unsigned which, bool down) {
        XTestFakeButtonEvent(mouse.display(), which, down ? True : False, CurrentTime);
        XFlush(mouse.display());
    }
    // Waits until `count` events have come, or a while longer to show that no more come.
    bool waitForEvents(int count) {
        return pumpUntil([&] { return events.size() >= count; });
    }
    QList<Type> types() const {
        QList<Type> list;
        for (const auto& e : events) list << e.type;
        return list;
    }

    FakeScreens screens;  // a primary screen 800 pixels high: y flips to 800 - y
    std::unique_ptr<XKeyboardLock> lock;
    XTestKeyboard mouse;  // its connection presses buttons as well as keys
    X11PointerButtons buttons;
    QList<PointerButtonEvent> events;
};

TEST_F(X11PointerButtonsTest, ClicksAreCountedAndCarryWhereThePointerWas) {
    button(1, true);
    button(1, false);
    button(1, true);
    button(1, false);
    ASSERT_TRUE(waitForEvents(4));
    EXPECT_EQ(types(), (QList<Type>{Type::Press, Type::Release, Type::Press, Type::Release}));
    EXPECT_EQ(events[0].clickCount, 1);
    EXPECT_EQ(events[2].clickCount, 2);
    EXPECT_EQ(events[3].clickCount, 2);
    EXPECT_EQ(events[3].location, QPointF(200, 600));  // global space, y up
}

TEST_F(X11PointerButtonsTest, MovingWhileHeldIsADragAndOtherButtonsAreIgnored) {
    button(3, true);
    button(3, false);
    button(1, true);
    ASSERT_TRUE(waitForEvents(1));
    move(260, 230);
    move(300, 240);
    button(1, false);
    const bool released = pumpUntil([&] { return !events.isEmpty() && events.last().type == Type::Release; });
    ASSERT_TRUE(released);
    ASSERT_GE(events.size(), 3);
    EXPECT_EQ(events.first().type, Type::Press);
    EXPECT_EQ(events[1].type, Type::Drag);
    EXPECT_EQ(events.last().location, QPointF(300, 560));
    EXPECT_EQ(events.last().clickCount, 1);

    // Movement without the button held says nothing.
    events.clear();
    move(350, 260);
    button(1, true);
    button(1, false);
    ASSERT_TRUE(waitForEvents(2));
    EXPECT_EQ(types(), (QList<Type>{Type::Press, Type::Release}));
}

TEST_F(X11PointerButtonsTest, StoppedWatchReportsNothingAndStartsAgain) {
    buttons.stop();
    EXPECT_FALSE(buttons.isRunning());
    button(1, true);
    button(1, false);
    pumpUntil([] { return false; }, 100);
    EXPECT_TRUE(events.isEmpty());

    ASSERT_TRUE(buttons.start([this](const PointerButtonEvent& e) { events.append(e); }));
    EXPECT_TRUE(buttons.isEnabled());
    button(1, true);
    button(1, false);
    ASSERT_TRUE(waitForEvents(2));
    EXPECT_EQ(events[0].clickCount, 1);  // a new watch counts afresh
}

TEST_F(X11PointerButtonsTest, HandlerMayStopTheWatchFromInsideAnEvent) {
    ASSERT_TRUE(buttons.start([this](const PointerButtonEvent& e) {
        events.append(e);
        buttons.stop();
    }));
    button(1, true);
    move(260, 260);
    button(1, false);
    ASSERT_TRUE(waitForEvents(1));
    pumpUntil([] { return false; }, 100);
    EXPECT_EQ(events.size(), 1);
    EXPECT_FALSE(buttons.isRunning());
}

}  // namespace
