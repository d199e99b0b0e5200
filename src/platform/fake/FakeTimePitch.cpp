#include "platform/fake/FakeTimePitch.h"

std::optional<std::vector<float>> FakeTimePitch::stretch(const std::vector<float>& input, int, double rate,
                                                         size_t outputFrames) {
    ++calls;
    lastRate = rate;
    if (fail || !(rate > 0)) return std::nullopt;
    std::vector<float> out(outputFrames, 0.0f);
    for (size_t i = 0; i < outputFrames; ++i) {
        const size_t from = size_t(double(i) * rate);
        if (from >= input.size()) break;
        out[i] = input[from];
    }
    return out;
}
