#pragma once

#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"

#include <QByteArray>
#include <QtGlobal>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class AudioConverter;
class AudioInput;

// A callback that may be assigned on one thread while another calls it: the call runs a copy
// taken under a lock, so assigning never races with a call in progress.
template <typename... Args>
class SharedCallback {
public:
    SharedCallback() = default;
    SharedCallback& operator=(std::function<void(Args...)> fn) {
        std::lock_guard lock(mutex_);
        fn_ = std::move(fn);
        return *this;
    }
    SharedCallback& operator=(std::nullptr_t) { return *this = std::function<void(Args...)>(); }
    explicit operator bool() const {
        std::lock_guard lock(mutex_);
        return bool(fn_);
    }
    void operator()(Args... args) const {
        std::function<void(Args...)> fn;
        {
            std::lock_guard lock(mutex_);
            fn = fn_;
        }
        if (fn) fn(args...);
    }

private:
    mutable std::mutex mutex_;
    std::function<void(Args...)> fn_;
};

// Captures the microphone while the trigger is held: every buffer is converted to 16 kHz mono
// 16-bit PCM and collected on the serial queue "orvane.audio"; stop() decides whether the capture
// is worth recognising and hands back a recording WAV. One recorder lives as long as the
// application. start(), stop() and cancel() are called on the main queue.
class Recorder {
public:
    static constexpr int kTapFrames = 4096;
    static constexpr int kConverterHeadroom = 1024;
    static constexpr double kMaxSeconds = 300.0;
    static constexpr int kMinimumBytes = 12800;        // 0.4 s
    static constexpr int kAppendedSilenceBytes = 12800; // 0.4 s
    static constexpr double kSilenceThreshold = 40.0;   // mean absolute sample value
    static constexpr int kBytesPerSecond = 32000;

    explicit Recorder(AudioInput& input);
    ~Recorder();

    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // True when a capture runs (also when one was already running).
    bool start();
    // The recording WAV, or nothing when the capture was too short or silent or none was running.
    std::optional<QByteArray> stop();
    // Ends a capture and discards it; no callback is called afterwards.
    void cancel();
    bool isRunning() const { return isRunning_; }

    // Main thread: the maximum length was reached (the capture goes on until stopped).
    std::function<void()> onReachedLimit;
    // Main thread: the capture ended by itself (the microphone or the sound server went away);
    // what it took until then is kept, and the recorder counts as running until stopped.
    std::function<void()> onLost;
    // On the queue "orvane.audio": each converted chunk, as it is appended.
    SharedCallback<const QByteArray&> onPCMChunk;
    // Main thread: input level 0.0 to 1.0 of each captured buffer, for display.
    std::function<void(float)> onLevel;

    // The display level of one buffer: root mean square of every eighth sample, × 6, capped at 1.
    static float levelOf(const float* samples, size_t frames);
    // Mean absolute value of the 16-bit samples (0 when there are fewer than 2 bytes).
    static double meanAbsoluteSample(const QByteArray& pcm);
    // What stop() makes of the collected PCM: the padded WAV, or nothing when too short or silent.
    static std::optional<QByteArray> finishCapture(QByteArray pcm);

private:
    void handleBuffer(const float* samples, size_t frames, double sampleRate);
    void endCapture();

    AudioInput& input_;
    QByteArray collected_;                     // only touched on queue_
    std::unique_ptr<AudioConverter> converter_; // only touched on the capture thread while running
    double converterRate_ = 0;                  // the input rate converter_ was made for (likewise)
    bool isRunning_ = false;
    MainQueue::TimerId limitTimer_ = 0;
    std::atomic<quint64> capture_{0};          // number of the current capture, 0 before the first
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    SerialQueue queue_{QStringLiteral("orvane.audio")};  // last: drained before the fields above go
};
