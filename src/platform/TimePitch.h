#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// Pitch-preserving tempo change of recorded audio, rendered offline (faster than real time).
class TimePitch {
public:
    virtual ~TimePitch() = default;
    // Plays `input` (mono float samples at `sampleRate`) `rate` times faster without changing its
    // pitch and returns exactly `outputFrames` frames: the stretched audio, then silence once it
    // has run out. Nothing (std::nullopt) when the audio cannot be processed.
    virtual std::optional<std::vector<float>> stretch(const std::vector<float>& input, int sampleRate, double rate,
                                                      size_t outputFrames) = 0;
};
