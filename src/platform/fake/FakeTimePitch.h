#pragma once

#include "platform/TimePitch.h"

// Speeds audio up by plain resampling (the pitch rises; tests only look at lengths and order).
class FakeTimePitch final : public TimePitch {
public:
    bool fail = false;
    int calls = 0;
    double lastRate = 0;

    std::optional<std::vector<float>> stretch(const std::vector<float>& input, int sampleRate, double rate,
                                              size_t outputFrames) override;
};
