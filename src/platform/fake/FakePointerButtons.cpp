#include "platform/fake/FakePointerButtons.h"

bool FakePointerButtons::start(Handler handler) {
    if (refuseStart) return false;
    handler_ = std::move(handler);
    if (!running_) {
        running_ = true;
        enabled_ = true;
    }
    ++starts;
    return true;
}

void FakePointerButtons::stop() {
    running_ = false;
    handler_ = nullptr;
}

void FakePointerButtons::enable() {
    if (!running_ || enabled_) return;
    enabled_ = true;
    ++enables;
}

void FakePointerButtons::deliver(const PointerButtonEvent& event) {
    if (!running_ || !enabled_ || !handler_) return;
    Handler handler = handler_;  // the handler may stop the watch
    handler(event);
}

void FakePointerButtons::press(QPointF at, int clickCount) {
    deliver({PointerButtonEvent::Type::Press, at, clickCount});
}

void FakePointerButtons::drag(QPointF at) { deliver({PointerButtonEvent::Type::Drag, at, 0}); }

void FakePointerButtons::release(QPointF at, int clickCount) {
    deliver({PointerButtonEvent::Type::Release, at, clickCount});
}

void FakePointerButtons::click(int times, QPointF at) {
    for (int n = 1; n <= times; ++n) {
        press(at, n);
        release(at, n);
    }
}

void FakePointerButtons::loseConnection() {
    if (!running_ || !enabled_) return;
    enabled_ = false;
    if (disabledHandler_) {
        auto handler = disabledHandler_;
        handler();
    }
}
