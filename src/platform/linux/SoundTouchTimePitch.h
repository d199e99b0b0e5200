#pragma once

#include "platform/TimePitch.h"

// Pitch-preserving tempo change with SoundTouch (built with float samples).
class SoundTouchTimePitch final : public TimePitch {
public:
    std::optional<std::vector<float>> stretch(const std::vector<float>& input, int sampleRate, double rate,
                                              size_t outputFrames) override;
};
