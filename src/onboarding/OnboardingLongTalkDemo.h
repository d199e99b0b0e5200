#pragma once

#include "onboarding/OnboardingLoop.h"
#include "platform/MainQueue.h"

#include <QString>
#include <functional>

// The long-talk demo: a fast clock runs to five minutes (every 0.09 s adds 7 simulated seconds)
// while a meeting transcript grows, rests 2.5 s at 5:00, and starts again from zero.
class OnboardingLongTalkDemo {
public:
    static constexpr double kTickSeconds = 0.09;
    static constexpr int kSecondsPerTick = 7;
    static constexpr int kLimitSeconds = 300;
    static constexpr double kRestartSeconds = 2.5;

    // The fixed transcript (92 characters).
    static const QString& transcript();
    // How many of its characters show at `seconds` simulated seconds: ⌊min(s / 300 × 1.3, 1) × 92⌋,
    // so all of them from 3:51 on.
    static int revealedCharacters(int seconds);
    // "m:ss".
    static QString clockText(int seconds);

    OnboardingLongTalkDemo() = default;
    ~OnboardingLongTalkDemo();
    OnboardingLongTalkDemo(const OnboardingLongTalkDemo&) = delete;
    OnboardingLongTalkDemo& operator=(const OnboardingLongTalkDemo&) = delete;

    // Called after every tick with the simulated seconds.
    std::function<void(int seconds)> onTick;

    // Starts ticking from zero.
    void start();
    void stop();
    bool isRunning() const { return tick_ != 0 || restart_.isPending(); }
    int seconds() const { return seconds_; }

private:
    void step();

    MainQueue::TimerId tick_ = 0;
    OnboardingLoop restart_;
    int seconds_ = 0;
};
