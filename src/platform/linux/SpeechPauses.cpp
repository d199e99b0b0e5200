#include "platform/linux/SpeechPauses.h"

#include <algorithm>
#include <cmath>

int SpeechPauses::loudness(const std::int16_t* frame) {
    double energy = 0;
    for (int i = 0; i < kFrameSamples; ++i) energy += double(frame[i]) * double(frame[i]);
    const int level = int(std::lround(10.0 * std::log10(energy / kFrameSamples + 1.0)));
    return std::clamp(level, 0, 99);
}

int SpeechPauses::percentile(int percent) const {
    const int wanted = std::max(1, frames_ * percent / 100);
    int seen = 0;
    for (int level = 0; level < int(levels_.size()); ++level) {
        seen += levels_[size_t(level)];
        if (seen >= wanted) return level;
    }
    return int(levels_.size()) - 1;
}

// Quiet: below the floor plus a quarter of the way up to the speech level, at least 6 dB above the
// floor (so that the floor's own flicker never counts as speech) and at most 8 dB: in a quiet room,
// where a quarter of the way is 15 dB, the weak sounds of a word said 15-25 dB softer than the rest
// of its phrase lie only some dB above the floor, and taking them for quiet cuts the phrase inside.
bool SpeechPauses::quiet(int level) const {
    const int floor = percentile(10);
    const int speech = percentile(95);
    return level < floor + std::clamp((speech - floor) / 4, 6, 8);
}

// A stretch is long by the frames from its first loud one to the start of the current quiet run, so
// a quiet run keeps the lengths it began with.
bool SpeechPauses::longStretch() const { return stretchFrames_ - quietRun_ >= kLongStretchFrames; }
int SpeechPauses::pauseFrames() const { return longStretch() ? kShortPauseFrames : kPauseFrames; }
int SpeechPauses::cutFrames() const { return longStretch() ? kShortCutFrames : kCutFrames; }

std::vector<std::size_t> SpeechPauses::add(const std::int16_t* samples, std::size_t count) {
    std::vector<std::size_t> cuts;
    for (std::size_t i = 0; i < count; ++i) {
        partial_.push_back(samples[i]);
        ++samples_;
        if (partial_.size() < size_t(kFrameSamples)) continue;
        const int level = loudness(partial_.data());
        partial_.clear();
        ++levels_[size_t(level)];
        ++frames_;
        ++stretchFrames_;
        if (!quiet(level)) {
            if (loudSinceCut_ == 0) stretchFrames_ = 1;  // the stretch's speech begins
            quietRun_ = 0;
            ++loudSinceCut_;
            continue;
        }
        if (++quietRun_ == pauseFrames() && loudSinceCut_ >= kSpeechFrames) {
            cuts.push_back(samples_ - size_t(pauseFrames() - cutFrames()) * kFrameSamples);
            loudSinceCut_ = 0;
        }
    }
    return cuts;
}

std::size_t SpeechPauses::decodableUntil() const {
    // A quiet run that may still become a pause is held back past the place where it would end the
    // stretch.
    if (loudSinceCut_ >= kSpeechFrames && quietRun_ >= cutFrames() && quietRun_ < pauseFrames())
        return samples_ - partial_.size() - size_t(quietRun_ - cutFrames()) * kFrameSamples;
    return samples_;
}
