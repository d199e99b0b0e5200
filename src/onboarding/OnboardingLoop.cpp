#include "onboarding/OnboardingLoop.h"

#include <algorithm>
#include <memory>

OnboardingLoop::~OnboardingLoop() { stop(); }

void OnboardingLoop::after(double seconds, std::function<void()> step) {
    auto id = std::make_shared<MainQueue::TimerId>(0);
    // The timer is cancelled when the loop stops or goes away, so `this` is alive when it runs.
    *id = MainQueue::after(seconds, [this, id, step = std::move(step)] {
        pending_.erase(std::remove(pending_.begin(), pending_.end(), *id), pending_.end());
        step();
    });
    pending_.push_back(*id);
}

void OnboardingLoop::stop() {
    std::vector<MainQueue::TimerId> ids;
    ids.swap(pending_);
    for (MainQueue::TimerId id : ids) MainQueue::cancel(id);
}
