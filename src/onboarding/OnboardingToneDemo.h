#pragma once

#include "onboarding/OnboardingLoop.h"

#include <QString>
#include <functional>

// The tone demo: one sentence cycles through three registers. Each sentence rests 2.4 s, fades
// out in 0.3 s, is replaced by the next register's sentence and fades back in over 0.3 s while
// the next rest already counts.
class OnboardingToneDemo {
public:
    static constexpr double kStepSeconds = 2.4;
    static constexpr double kFadeSeconds = 0.3;
    static constexpr int kCount = 3;

    // The chip title and the sample sentence of register `index` (0…2).
    static QString chipTitle(int index);
    static QString sample(int index);

    // Called when the sentence starts fading towards `opacity` (0 out, 1 in) over `seconds`.
    std::function<void(double opacity, double seconds)> onFade;
    // Called when the sentence changes to register `index`, at the bottom of the fade-out.
    std::function<void(int index)> onChange;

    // Starts from the first register.
    void start();
    void stop();
    bool isRunning() const { return loop_.isPending(); }

    int index() const { return index_; }

private:
    void fadeOut();
    void advance();

    OnboardingLoop loop_;
    int index_ = 0;
};
