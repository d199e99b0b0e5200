#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Finds the pauses of ordinary speech in 16 kHz mono samples as they are recorded, 10 ms frame by
// frame, so that a recognition can end a stretch of speech there while the user goes on speaking.
//
// Loudness is judged against the recording's own noise floor, never against zero: a microphone is
// never digitally silent. The floor is a low percentile of the loudness of every frame heard so
// far, the speech level a high one; a frame is quiet when it lies much nearer the floor than the
// speech (a word said softer than the rest of its phrase is still speech). A pause is a run of
// quiet frames long enough that no stop consonant or short breath inside a phrase makes one, after
// some speech since the last pause. Once a stretch holds a lot of speech, a shorter quiet run (a
// quick breath between phrases) is enough to end it, so that a user who speaks on without an
// ordinary pause still leaves only a short stretch for the release.
class SpeechPauses {
public:
    static constexpr int kFrameSamples = 160;  // 10 ms
    // Quiet frames that make a pause (measured in bench/recognition, AccuracyBench: ordinary
    // pauses between phrases last 0.3 s and more; the gaps inside a phrase stay well under this).
    static constexpr int kPauseFrames = 25;
    // Where in a pause the stretch before it ends: this many quiet frames after its start.
    static constexpr int kCutFrames = 12;
    // Loud frames since the last pause before another pause counts.
    static constexpr int kSpeechFrames = 10;
    // Frames from a stretch's first loud one that make it long (5 s: after the release the flat
    // pass of such a stretch takes about a tenth of a second), the quiet frames that end a long one
    // and where in them it ends (measured in bench/recognition, AccuracyBench's
    // LongDictationShortPauses: a fast speaker's breaths between phrases last 0.12-0.2 s; the gaps
    // inside a word stay under 0.1 s).
    static constexpr int kLongStretchFrames = 500;
    static constexpr int kShortPauseFrames = 12;
    static constexpr int kShortCutFrames = 6;

    // Takes the next samples of the recording; returns where stretches may end, as sample offsets
    // from the recording's start, in order.
    std::vector<std::size_t> add(const std::int16_t* samples, std::size_t count);
    // How many samples from the start can be decoded without passing a place where a stretch may
    // still end.
    std::size_t decodableUntil() const;

private:
    // Loudness of a frame in dB above one unit of sample value squared (digital silence is 0).
    static int loudness(const std::int16_t* frame);
    int percentile(int percent) const;
    bool quiet(int level) const;
    // Whether the current stretch is long; the quiet frames that end it, and where in them.
    bool longStretch() const;
    int pauseFrames() const;
    int cutFrames() const;

    std::array<int, 100> levels_{};  // frames heard, by loudness
    int frames_ = 0;
    std::vector<std::int16_t> partial_;  // samples of the frame not complete yet
    std::size_t samples_ = 0;           // samples taken so far
    int quietRun_ = 0;                  // quiet frames in a row up to now
    int loudSinceCut_ = 0;
    int stretchFrames_ = 0;  // frames since the stretch's first loud frame
};
