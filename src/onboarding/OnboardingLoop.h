#pragma once

#include "platform/MainQueue.h"

#include <functional>
#include <vector>

// The scheduler of a demo: each step runs once on the main queue after its delay, and a demo
// repeats by having each step schedule the next one. stop() cancels every step still waiting,
// not only the latest, so nothing of a stopped demo runs after its screen was left; a loop
// that goes away stops itself.
class OnboardingLoop {
public:
    OnboardingLoop() = default;
    ~OnboardingLoop();
    OnboardingLoop(const OnboardingLoop&) = delete;
    OnboardingLoop& operator=(const OnboardingLoop&) = delete;

    void after(double seconds, std::function<void()> step);
    void stop();
    // True while a step is waiting to run.
    bool isPending() const { return !pending_.empty(); }

private:
    std::vector<MainQueue::TimerId> pending_;
};
