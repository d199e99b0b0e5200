#pragma once

#include <QPointF>
#include <QtGlobal>
#include <functional>

// One event of the left mouse button, seen anywhere on the desktop.
struct PointerButtonEvent {
    enum class Type { Press, Drag, Release };
    Type type = Type::Press;
    // Where the pointer was, in the application's global space (points, origin at the bottom
    // left of the primary screen, y up).
    QPointF location;
    // 1 for a single click, 2 for the second press of a double click, 3 for a triple click, ...
    // A release carries the count of its press; a drag carries 0.
    int clickCount = 0;
};

// A listen-only watch of the left mouse button of the whole desktop: presses, movement while it
// is held, and releases. It never takes the events away from the application under the pointer.
// Handlers run on the main thread.
class PointerButtons {
public:
    using Handler = std::function<void(const PointerButtonEvent&)>;

    virtual ~PointerButtons() = default;

    // Starts (or keeps) the watch with `handler`. False when the pointer cannot be watched;
    // nothing changes then.
    virtual bool start(Handler handler) = 0;
    // Ends the watch; nothing happens when it is not running.
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
    // A running watch can stop delivering on its own (the connection to the display was lost).
    virtual bool isEnabled() const = 0;
    // Brings a running but disabled watch back; nothing happens otherwise.
    virtual void enable() = 0;
    // Called on the main thread when the watch notices that it stopped delivering.
    virtual void setDisabledHandler(std::function<void()> handler) = 0;
};

// Counts the presses of a multiple click where the desktop reports none: a press within
// `interval` seconds of the previous press and within `distance` of where it happened continues
// the count, any other press starts again at 1.
class ClickCounter {
public:
    static constexpr double kDefaultInterval = 0.4;  // seconds
    static constexpr double kDefaultDistance = 5.0;  // pixels, each axis

    explicit ClickCounter(double interval = kDefaultInterval, double distance = kDefaultDistance)
        : interval_(interval), distance_(distance) {}

    // A press at monotonic time `seconds` and `location`; returns its click count.
    int press(double seconds, QPointF location);
    void reset() { count_ = 0; }
    double interval() const { return interval_; }

private:
    double interval_;
    double distance_;
    int count_ = 0;
    double lastTime_ = 0;
    QPointF lastLocation_;
};
