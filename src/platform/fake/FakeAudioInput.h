#pragma once

#include "platform/AudioInput.h"

#include <mutex>
#include <vector>

// A microphone driven by the test: feed() hands samples to the running capture on the calling
// thread, in buffers of the size the capture asked for; stop() delivers the partial buffer.
class FakeAudioInput final : public AudioInput {
public:
    double sampleRate = 16000;  // 0: no device
    bool failStart = false;     // the device refuses to start
    bool failConverter = false; // no converter can be made

    Format deviceFormat() override;
    bool start(size_t bufferFrames, Callback onSamples, LostCallback onLost) override;
    void stop() override;
    std::unique_ptr<AudioConverter> makeConverter(double inputRate) override;

    // The running capture ends by itself, as when the sound server goes away: its lost callback
    // runs on the calling thread and no buffer follows until it is stopped. Thread-safe.
    void lose();

    // Delivers samples to the running capture (nothing when none runs). Thread-safe.
    void feed(const std::vector<float>& samples);
    void feed(size_t frames, float value) { feed(std::vector<float>(frames, value)); }

    bool isRunning() const;
    int starts() const;
    int stops() const;

private:
    mutable std::mutex mutex_;
    Callback callback_;
    LostCallback lost_;
    bool isLost_ = false;
    size_t bufferFrames_ = 4096;
    std::vector<float> pending_;
    int starts_ = 0;
    int stops_ = 0;
};

// Linear-interpolation resampling to 16 kHz (exact copy when the input is already 16 kHz).
class FakeAudioConverter final : public AudioConverter {
public:
    explicit FakeAudioConverter(double inputRate) : rate_(inputRate) {}
    QByteArray convert(const float* samples, size_t frames, size_t capacityFrames) override;

private:
    double rate_;
    double position_ = 0;  // read position in input frames, relative to the next buffer
};
