#pragma once

#include <QByteArray>
#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

// Turns float samples of one channel at the device's rate into 16 kHz mono signed 16-bit
// little-endian PCM. One converter serves one capture: it keeps the resampler's state between
// buffers, so consecutive buffers join without a seam.
class AudioConverter {
public:
    virtual ~AudioConverter() = default;
    // Converts `frames` samples; the result holds at most `capacityFrames` frames (2 bytes each).
    // An empty result means nothing came out of this buffer (or the conversion failed).
    virtual QByteArray convert(const float* samples, size_t frames, size_t capacityFrames) = 0;

    // One float sample in [-1, 1) as a 16-bit sample: scaled by 32768, rounded, clipped. A 16-bit
    // sample read as float (v / 32768) comes back unchanged.
    static int16_t toInt16(float x) {
        if (!(x == x)) return 0;  // NaN
        const float scaled = std::nearbyint(x * 32768.0f);
        if (scaled >= 32767.0f) return 32767;
        if (scaled <= -32768.0f) return -32768;
        return static_cast<int16_t>(scaled);
    }
};

// The default microphone: captures float samples of its first channel at the device's own rate.
class AudioInput {
public:
    struct Format {
        double sampleRate = 0;  // 0: there is no input device
        int channels = 0;
    };
    // Called on the capture thread with the first channel's samples of one buffer.
    using Callback = std::function<void(const float* samples, size_t frames, double sampleRate)>;
    // Called on the capture thread, at most once, when a running capture ends by itself (the
    // device or the sound server went away): no buffer follows. The capture still counts as
    // running until stop().
    using LostCallback = std::function<void()>;

    virtual ~AudioInput() = default;

    // The current input device's format; a sample rate of 0 means no device is available.
    virtual Format deviceFormat() = 0;
    // Starts capturing; `onSamples` receives buffers of `bufferFrames` frames (the last one,
    // delivered by stop(), may be shorter). Returns false when the device cannot be started.
    // A capture already running is stopped first.
    virtual bool start(size_t bufferFrames, Callback onSamples, LostCallback onLost) = 0;
    // Ends the capture. What was captured but not yet delivered is handed to the callback before
    // stop() returns; no callback runs after it returns. Stopping an idle input does nothing.
    virtual void stop() = 0;
    // A converter from `inputRate` to 16 kHz mono 16-bit; null when none can be made.
    virtual std::unique_ptr<AudioConverter> makeConverter(double inputRate) = 0;
};
