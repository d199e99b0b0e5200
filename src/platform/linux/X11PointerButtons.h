#pragma once

#include "platform/PointerButtons.h"

#include <QObject>
#include <memory>
#include <vector>

class QSocketNotifier;
typedef struct _XDisplay Display;
typedef union _XEvent XEvent;

// The left mouse button of the X11 desktop, watched on a connection of its own and read on the
// main thread. XInput2 raw button events on the root window show every press and release without
// taking them (no grab of any kind); raw motion is asked for only while the button is held, so
// that ordinary pointer movement does not wake us. X reports no click count: presses close in time
// and place are counted as one multiple click (ClickCounter, on the server's event times).
//
// Create and use it on the main thread. The watch counts as disabled when the connection to the X
// server is lost; enable() reconnects.
class X11PointerButtons final : public PointerButtons {
public:
    // `displayName` null: $DISPLAY. `doubleClickInterval` in seconds (the desktop's setting).
    explicit X11PointerButtons(const char* displayName = nullptr,
                               double doubleClickInterval = ClickCounter::kDefaultInterval);
    ~X11PointerButtons() override;

    bool start(Handler handler) override;
    void stop() override;
    bool isRunning() const override { return running_; }
    bool isEnabled() const override;
    void enable() override;
    void setDisabledHandler(std::function<void()> handler) override { disabledHandler_ = std::move(handler); }

private:
    bool connect();
    void disconnect();
    void readEvents();
    void handleEvent(XEvent& event);
    void selectEvents(bool withMotion);
    void loadButtonMap();
    int logicalButton(int physical) const;
    double serverSeconds(unsigned long serverTime);
    QPointF pointerLocation() const;
    void deliver(const PointerButtonEvent& event);
    void lostConnection();

    const QByteArray displayName_;
    Display* display_ = nullptr;
    unsigned long root_ = 0;
    int xiOpcode_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QObject> context_;
    bool broken_ = false;
    bool running_ = false;

    Handler handler_;
    std::function<void()> disabledHandler_;
    std::vector<unsigned char> buttonMap_;  // physical button - 1 -> logical button
    ClickCounter clicks_;

    // The gesture of the held button.
    bool held_ = false;
    bool dragged_ = false;
    int heldCount_ = 0;
    QPointF pressedAt_;

    // Server time (milliseconds, wrapping at 32 bits) carried on into seconds.
    bool haveServerTime_ = false;
    unsigned long lastServerTime_ = 0;
    double serverSeconds_ = 0;
};
