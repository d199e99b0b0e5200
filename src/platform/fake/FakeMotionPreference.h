#pragma once

#include "platform/MotionPreference.h"

class FakeMotionPreference final : public MotionPreference {
public:
    bool reduce = false;
    bool reduceMotion() const override { return reduce; }
};
