#include "platform/linux/SoundTouchTimePitch.h"

#include <soundtouch/SoundTouch.h>

#include <algorithm>
#include <exception>

static_assert(sizeof(soundtouch::SAMPLETYPE) == sizeof(float), "SoundTouch must be built with float samples");

std::optional<std::vector<float>> SoundTouchTimePitch::stretch(const std::vector<float>& input, int sampleRate,
                                                               double rate, size_t outputFrames) {
    if (sampleRate <= 0 || !(rate > 0) || rate > 100.0) return std::nullopt;
    try {
        soundtouch::SoundTouch touch;
        touch.setSampleRate(uint(sampleRate));
        touch.setChannels(1);
        touch.setTempo(rate);
        // Speech at 16 kHz: the quick search keeps the offline rendering far faster than real time.
        touch.setSetting(SETTING_USE_QUICKSEEK, 1);

        std::vector<float> out;
        out.reserve(outputFrames);
        constexpr size_t kBlock = 4096;  // render in steps, as an offline graph would
        std::vector<float> block(kBlock);
        auto drain = [&] {
            while (out.size() < outputFrames) {
                const uint want = uint(std::min(kBlock, outputFrames - out.size()));
                const uint got = touch.receiveSamples(block.data(), want);
                if (got == 0) break;
                out.insert(out.end(), block.begin(), block.begin() + got);
            }
        };
        for (size_t at = 0; at < input.size() && out.size() < outputFrames; at += kBlock) {
            const size_t n = std::min(kBlock, input.size() - at);
            touch.putSamples(input.data() + at, uint(n));
            drain();
        }
        touch.flush();
        drain();
        touch.clear();
        out.resize(outputFrames, 0.0f);  // after the audio: silence
        return out;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}
