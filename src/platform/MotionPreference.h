#pragma once

// The desktop's wish for less motion: animations are then shown in their final state at once.
class MotionPreference {
public:
    virtual ~MotionPreference() = default;
    virtual bool reduceMotion() const = 0;
};
