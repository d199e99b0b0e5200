#pragma once

#include "platform/AudioInput.h"

#include <QString>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

// The microphone through the PulseAudio client library (PulseAudio or PipeWire's Pulse server).
// The source is recorded at its own rate and channel count as float samples; the first channel
// goes to the callback, and the resampling to 16 kHz is ours (libsamplerate), not the server's.
// One connection to the server is kept for the object's life, started when the object is made,
// and made again when it breaks.
//
// deviceFormat() and start() are called on the main thread, so they wait for the server only so
// long: a call waits at most kTimeoutMs in all, and one connection is waited for at most
// kTimeoutMs in all, however many calls find it still connecting (a server that accepts the
// connection and never answers costs the first call that long, the next ones nothing, until the
// client library gives the connection up). A server that leaves a question unanswered loses the
// connection, and a new one is started at once.
class PulseAudioInput final : public AudioInput {
public:
    // `sourceName` empty: $PULSE_SOURCE when set, else the server's default source, provided that
    // is a microphone and not the monitor of an output (which a server without any microphone
    // offers as its default).
    explicit PulseAudioInput(QString sourceName = QString());
    ~PulseAudioInput() override;

    PulseAudioInput(const PulseAudioInput&) = delete;
    PulseAudioInput& operator=(const PulseAudioInput&) = delete;

    Format deviceFormat() override;
    bool start(size_t bufferFrames, Callback onSamples, LostCallback onLost) override;
    void stop() override;
    std::unique_ptr<AudioConverter> makeConverter(double inputRate) override;

    // The longest one call waits for the server, and the longest one connection is waited for.
    static constexpr int kTimeoutMs = 1000;

private:
    using Deadline = std::chrono::steady_clock::time_point;
    struct Source;
    bool ensureLoop();
    void connectLocked();
    bool ensureContextLocked(Deadline deadline);
    void dropContextLocked();
    void abandonContextLocked();
    bool querySourceLocked(Source* out, Deadline deadline);
    bool waitLocked(Deadline deadline, const std::function<bool()>& done);
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
    // When the connection in context_ was started; it is not waited for past kTimeoutMs after.
    Deadline connectStartedAt_{};
    // Below: touched only with the main loop's lock held.
    Callback callback_;
    LostCallback lost_;
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
