#include "platform/PointerButtons.h"

#include <cmath>

int ClickCounter::press(double seconds, QPointF location) {
    const double elapsed = seconds - lastTime_;
    const bool continues = count_ > 0 && elapsed >= 0 && elapsed <= interval_ &&
                           std::abs(location.x() - lastLocation_.x()) <= distance_ &&
                           std::abs(location.y() - lastLocation_.y()) <= distance_;
    count_ = continues ? count_ + 1 : 1;
    lastTime_ = seconds;
    lastLocation_ = location;
    return count_;
}
