#include "dictation/GestureSelect.h"

#include "core/AppPrefs.h"

#include <cmath>

GestureSelect::GestureSelect(Pointer& pointer) : pointer_(pointer) {}

GestureSelect::~GestureSelect() {
    MainQueue::cancel(timer_);
    alive_.reset();
}

std::optional<QString> GestureSelect::styleFor(double dx, double dy) {
    const bool vertical = std::fabs(dx) <= std::fabs(dy);
    const double distance = vertical ? std::fabs(dy) : std::fabs(dx);
    if (distance < kDeadZone) return std::nullopt;
    if (vertical) return dy > 0 ? QStringLiteral("formal") : QStringLiteral("junior");
    return dx < 0 ? QStringLiteral("friend") : QStringLiteral("lover");
}

void GestureSelect::start() {
    if (!AppPrefs::gestureSelect()) return;
    origin_ = pointer_.location();
    style_.reset();
    MainQueue::cancel(timer_);
    std::weak_ptr<int> alive = alive_;
    timer_ = MainQueue::every(kPollInterval, [this, alive] {
        if (!alive.expired()) tick();
    });
}

void GestureSelect::tick() {
    if (!origin_) return;
    const QPointF at = pointer_.location();
    const std::optional<QString> pick = styleFor(at.x() - origin_->x(), at.y() - origin_->y());
    if (pick == style_) return;
    style_ = pick;
    if (onChange) onChange(style_);
}

std::optional<QString> GestureSelect::stop() {
    MainQueue::cancel(timer_);
    origin_.reset();
    std::optional<QString> pick = std::move(style_);
    style_.reset();
    return pick;
}
