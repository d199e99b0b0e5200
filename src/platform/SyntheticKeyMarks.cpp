#include "platform/SyntheticKeyMarks.h"

SyntheticKeyMarks& SyntheticKeyMarks::shared() {
    static SyntheticKeyMarks marks;
    return marks;
}

void SyntheticKeyMarks::announce(int xKeyCode, bool down, double monotonicNow) {
    std::lock_guard lock(mutex_);
    marks_.push_back({xKeyCode, down, monotonicNow});
}

bool SyntheticKeyMarks::consume(int xKeyCode, bool down, double monotonicNow) {
    std::lock_guard lock(mutex_);
    while (!marks_.empty() && monotonicNow - marks_.front().at > kLifetime) marks_.pop_front();
    for (auto it = marks_.begin(); it != marks_.end(); ++it) {
        if (it->keyCode == xKeyCode && it->down == down) {
            marks_.erase(it);
            return true;
        }
    }
    return false;
}

void SyntheticKeyMarks::clear() {
    std::lock_guard lock(mutex_);
    marks_.clear();
}
