#pragma once

// An opacity that moves from one value to another over a duration, read from the clock, so a
// view can draw any moment and a test can look at any moment of virtual time. Ease in and out.
class OnboardingFade {
public:
    explicit OnboardingFade(double value = 1.0) : from_(value), to_(value) {}

    // Starts moving from the current value to `target` over `seconds` (at once for 0 or less).
    void start(double target, double seconds);
    // Holds `value` from now on.
    void set(double value);

    double value() const;
    double target() const { return to_; }
    // True until the move has reached its target.
    bool isMoving() const;

private:
    double from_;
    double to_;
    double startedAt_ = 0;
    double duration_ = 0;
};
