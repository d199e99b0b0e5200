#pragma once

#include "platform/AudioInput.h"

#include <QString>
#include <mutex>
#include <string>
#include <vector>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

// The microphone through the PulseAudio client library (PulseAudio or PipeWire's Pulse server).
// The source is recorded at its own rate and channel count as float samples; the first channel
// goes to the callback, and the resampling to 16 kHz is ours (libsamplerate), not the server's.
// One connection to the server is kept for the object's life and made again when it breaks.
class PulseAudioInput final : public AudioInput {
public:
    // `sourceName` empty: $PULSE_SOURCE when set, else the server's default source.
    explicit PulseAudioInput(QString sourceName = QString());
    ~PulseAudioInput() override;

    PulseAudioInput(const PulseAudioInput&) = delete;
    PulseAudioInput& operator=(const PulseAudioInput&) = delete;

    Format deviceFormat() override;
    bool start(size_t bufferFrames, Callback onSamples) override;
    void stop() override;
    std::unique_ptr<AudioConverter> makeConverter(double inputRate) override;

    // Seconds a server round trip may take before we give up on it.
    static constexpr int kTimeoutMs = 3000;

private:
    struct Source;
    bool ensureLoop();
    bool ensureContextLocked();
    void dropContextLocked();
    bool querySourceLocked(Source* out);
    bool waitLocked(const std::function<bool()>& done);
    void stopLocked();
    void readLocked();
    void deliverLocked(bool partialToo);

    static void contextStateChanged(pa_context* context, void* self);
    static void streamStateChanged(pa_stream* stream, void* self);
    static void streamReadable(pa_stream* stream, size_t bytes, void* self);

    std::mutex api_;  // one public call at a time
    QString sourceName_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    // Below: touched only with the main loop's lock held.
    Callback callback_;
    size_t bufferFrames_ = 4096;
    unsigned channels_ = 1;
    double rate_ = 0;
    std::vector<float> pending_;
};

// Resampling to 16 kHz with libsamplerate; a 16 kHz input is copied sample for sample.
class SamplerateConverter final : public AudioConverter {
public:
    explicit SamplerateConverter(double inputRate);
    ~SamplerateConverter() override;
    bool isValid() const { return identity_ || state_ != nullptr; }
    QByteArray convert(const float* samples, size_t frames, size_t capacityFrames) override;

private:
    void* state_ = nullptr;  // SRC_STATE*
    double ratio_;
    bool identity_;
    std::vector<float> out_;
};
