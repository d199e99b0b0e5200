#pragma once

#include "platform/MainQueue.h"

#include <functional>

// The switch-keys demo: every 1.6 s one arrow key is pressed, alternately ↑ (the quality
// highlight moves High → Max → Low → …) and → (the style highlight moves 上司に → 友だちに →
// そのまま → …), so each row moves every 3.2 s.
class OnboardingSwitchKeysDemo {
public:
    static constexpr double kStepSeconds = 1.6;

    OnboardingSwitchKeysDemo() = default;
    ~OnboardingSwitchKeysDemo() { stop(); }
    OnboardingSwitchKeysDemo(const OnboardingSwitchKeysDemo&) = delete;
    OnboardingSwitchKeysDemo& operator=(const OnboardingSwitchKeysDemo&) = delete;

    // Called on a quality step (↑ pressed) and on a style step (→ pressed) with the chip now on.
    std::function<void(int chip)> onQualityStep;
    std::function<void(int chip)> onStyleStep;

    // Starts from the first chips (High, 上司に).
    void start();
    void stop() { MainQueue::cancel(timer_); }
    bool isRunning() const { return timer_ != 0; }

    // The chip that is on in each row: quality 0 Low, 1 High, 2 Max; style 0 上司に, 1 友だちに, 2 そのまま.
    int qualityChip() const { return (qualityStep_ + 1) % 3; }
    int styleChip() const { return styleStep_ % 3; }

private:
    void step();

    MainQueue::TimerId timer_ = 0;
    int tick_ = 0;
    int qualityStep_ = 0;
    int styleStep_ = 0;
};
