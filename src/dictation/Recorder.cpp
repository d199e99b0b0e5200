#include "dictation/Recorder.h"

#include "core/AppLog.h"
#include "core/RecordingFormat.h"
#include "platform/AudioInput.h"

#include <QtEndian>
#include <cmath>
#include <cstdlib>

Recorder::Recorder(AudioInput& input) : input_(input) {}

Recorder::~Recorder() {
    if (isRunning_) input_.stop();
    MainQueue::cancel(limitTimer_);
    queue_.sync([] {});  // chunks still posted by the capture thread land before the fields go
}

bool Recorder::start() {
    if (isRunning_) return true;
    queue_.sync([this] { collected_.clear(); });

    const AudioInput::Format format = input_.deviceFormat();
    if (!(format.sampleRate > 0)) return false;
    converter_ = input_.makeConverter(format.sampleRate);
    if (!converter_) return false;
    converterRate_ = format.sampleRate;

    const quint64 capture = capture_.fetch_add(1) + 1;
    std::weak_ptr<int> alive = alive_;
    const bool started = input_.start(
        kTapFrames, [this](const float* samples, size_t frames, double rate) { handleBuffer(samples, frames, rate); },
        [this, alive, capture] {
            MainQueue::post([this, alive, capture] {
                if (alive.expired() || !isRunning_ || capture_.load() != capture) return;  // already over
                AppLog::write(QStringLiteral("録音中にマイクが止まった（サウンドサーバーかマイクがなくなった）"));
                if (onLost) onLost();
            });
        });
    if (!started) {
        converter_.reset();
        return false;
    }
    isRunning_ = true;

    MainQueue::post([this, alive, capture] {
        if (alive.expired() || !isRunning_ || capture_.load() != capture) return;  // already over
        MainQueue::cancel(limitTimer_);
        limitTimer_ = MainQueue::after(kMaxSeconds, [this, alive, capture] {
            if (alive.expired()) return;
            limitTimer_ = 0;
            if (!isRunning_ || capture_.load() != capture) return;
            AppLog::write(QStringLiteral("録音の上限（") + QString::number(int(kMaxSeconds)) +
                          QStringLiteral("秒）に達したので打ち切る"));
            if (onReachedLimit) onReachedLimit();
        });
    });
    return true;
}

void Recorder::handleBuffer(const float* samples, size_t frames, double sampleRate) {
    if (frames == 0 || !converter_) return;
    const quint64 capture = capture_.load();
    // The stream runs at the rate of the device it opened, which can differ from the one read
    // just before (the default microphone changed in between): convert from the rate delivered.
    if (sampleRate > 0 && sampleRate != converterRate_) {
        if (auto converter = input_.makeConverter(sampleRate)) {
            converter_ = std::move(converter);
            converterRate_ = sampleRate;
        }
    }

    const size_t capacity = size_t(quint32((16000.0 / sampleRate) * double(frames))) + kConverterHeadroom;
    QByteArray chunk = converter_->convert(samples, frames, capacity);
    if (!chunk.isEmpty()) {
        queue_.post([this, chunk] {
            collected_.append(chunk);
            onPCMChunk(chunk);
        });
    }

    // The level is worked out here and handed to the main thread, which alone reads onLevel.
    const float level = levelOf(samples, frames);
    std::weak_ptr<int> alive = alive_;
    MainQueue::post([this, alive, capture, level] {
        if (alive.expired() || !isRunning_ || capture_.load() != capture) return;
        if (onLevel) onLevel(level);
    });
}

void Recorder::endCapture() {
    isRunning_ = false;
    MainQueue::cancel(limitTimer_);
    input_.stop();  // delivers what is buffered, then no more buffers arrive
    converter_.reset();
}

std::optional<QByteArray> Recorder::stop() {
    if (!isRunning_) return std::nullopt;
    endCapture();
    QByteArray copy;
    queue_.sync([this, &copy] { copy = collected_; });
    queue_.sync([this] { collected_.clear(); });

    std::optional<QByteArray> wav = finishCapture(std::move(copy));
    if (wav)
        AppLog::write(QString::asprintf("録音 %.1f秒（生）",
                                        double(wav->size() - RecordingFormat::kHeaderBytes) / 32000.0));
    return wav;
}

void Recorder::cancel() {
    if (!isRunning_) return;
    endCapture();
    queue_.sync([this] { collected_.clear(); });
}

std::optional<QByteArray> Recorder::finishCapture(QByteArray pcm) {
    if (pcm.size() <= kMinimumBytes) return std::nullopt;
    pcm.append(QByteArray(kAppendedSilenceBytes, '\0'));
    if (meanAbsoluteSample(pcm) <= kSilenceThreshold) return std::nullopt;
    return RecordingFormat::makeWAV(pcm, RecordingFormat::kSampleRate);
}

double Recorder::meanAbsoluteSample(const QByteArray& pcm) {
    const qsizetype count = pcm.size() / 2;
    if (count < 1) return 0.0;
    const char* data = pcm.constData();
    qint64 sum = 0;
    for (qsizetype i = 0; i < count; ++i) sum += std::abs(int(qFromLittleEndian<qint16>(data + i * 2)));
    return double(sum) / double(count);
}

float Recorder::levelOf(const float* samples, size_t frames) {
    if (!samples || frames == 0) return 0.0f;
    double sum = 0.0;
    size_t taken = 0;
    for (size_t i = 0; i < frames; i += 8, ++taken) sum += double(samples[i]) * double(samples[i]);
    // Averaged over the samples actually taken (every eighth one).
    const double rms = std::sqrt(sum / double(taken));
    const double level = rms * 6.0;
    if (!(level == level)) return 0.0f;
    return float(std::min(level, 1.0));
}
