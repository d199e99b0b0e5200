#pragma once

#include "platform/PointerButtons.h"

// A mouse the test drives by hand: press(), drag() and release() deliver at once to the handler
// of a running watch (and nowhere when stopped); loseConnection() makes the watch stop
// delivering, as a lost display would, until enable() brings it back.
class FakePointerButtons final : public PointerButtons {
public:
    bool start(Handler handler) override;
    void stop() override;
    bool isRunning() const override { return running_; }
    bool isEnabled() const override { return running_ && enabled_; }
    void enable() override;
    void setDisabledHandler(std::function<void()> handler) override { disabledHandler_ = std::move(handler); }

    void press(QPointF at = {300, 300}, int clickCount = 1);
    void drag(QPointF at = {340, 300});
    void release(QPointF at = {340, 300}, int clickCount = 1);
    // A single click, a double click (press, release, press, release) or a triple click.
    void click(int times = 1, QPointF at = {300, 300});
    void loseConnection();

    bool refuseStart = false;  // start() fails while set
    int starts = 0;            // successful start() calls
    int enables = 0;           // enable() calls that brought the watch back

private:
    void deliver(const PointerButtonEvent& event);

    Handler handler_;
    std::function<void()> disabledHandler_;
    bool running_ = false;
    bool enabled_ = true;
};
