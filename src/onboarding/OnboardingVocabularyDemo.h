#pragma once

#include "onboarding/OnboardingLoop.h"

#include <functional>

// The vocabulary demo: a sentence shows the kana reading of a registered word (1.6 s), the
// reading is marked (1.3 s), then it turns into the registered spelling (2.6 s), and again.
class OnboardingVocabularyDemo {
public:
    enum class State { plain, marked, spelled };
    static constexpr double kPlainSeconds = 1.6;
    static constexpr double kMarkedSeconds = 1.3;
    static constexpr double kSpelledSeconds = 2.6;

    // Called on every change of state (also the plain state at the start).
    std::function<void(State)> onState;

    void start();
    void stop() { loop_.stop(); }
    bool isRunning() const { return loop_.isPending(); }
    State state() const { return state_; }

private:
    void enter(State state);

    OnboardingLoop loop_;
    State state_ = State::plain;
};
