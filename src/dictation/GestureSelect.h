#pragma once

#include "platform/MainQueue.h"
#include "platform/Pointer.h"

#include <QPointF>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// Mouse-flick style pick: while the trigger is held, moving the pointer 60 points or more away from
// where it was when recording began picks a cleanup style by direction (up "formal", down "junior",
// left "friend", right "lover"; a tie counts as vertical). Every change is reported; stop() hands
// the final pick back.
class GestureSelect {
public:
    explicit GestureSelect(Pointer& pointer);
    ~GestureSelect();
    GestureSelect(const GestureSelect&) = delete;
    GestureSelect& operator=(const GestureSelect&) = delete;

    // Begins a gesture at the current pointer location when the `gestureSelect` setting is on.
    void start();
    // Ends the gesture and returns the pick (none when nothing was picked).
    std::optional<QString> stop();

    std::function<void(const std::optional<QString>&)> onChange;

    void tick();
    bool isTracking() const { return origin_.has_value(); }

    static constexpr double kPollInterval = 0.05;
    static constexpr double kDeadZone = 60.0;
    // The pick for a displacement (y up), none inside the dead zone.
    static std::optional<QString> styleFor(double dx, double dy);

private:
    Pointer& pointer_;
    std::optional<QPointF> origin_;
    MainQueue::TimerId timer_ = 0;
    std::optional<QString> style_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
