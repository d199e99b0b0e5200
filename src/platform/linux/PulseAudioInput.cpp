#include "platform/linux/PulseAudioInput.h"

#include "platform/linux/PulseContext.h"

#include <pulse/pulseaudio.h>
#include <samplerate.h>

#include <QtEndian>
#include <cstdlib>
#include <cstring>

struct PulseAudioInput::Source {
    std::string name;
    pa_sample_spec spec{};
    pa_channel_map map{};
};

namespace {

// Context a pending operation's callback writes into.
struct SourceQuery {
    explicit SourceQuery(pa_threaded_mainloop* l) : loop(l) {}
    pa_threaded_mainloop* loop;
    bool done = false;
    bool found = false;
    bool monitor = false;
    std::string name;
    pa_sample_spec spec{};
    pa_channel_map map{};
};

void sourceInfoArrived(pa_context*, const pa_source_info* info, int eol, void* userdata) {
    auto* q = static_cast<SourceQuery*>(userdata);
    if (eol != 0 || !info) {
        q->done = true;
    } else if (!q->found) {
        q->found = true;
        q->monitor = info->monitor_of_sink != PA_INVALID_INDEX;
        q->name = info->name ? info->name : "";
        q->spec = info->sample_spec;
        q->map = info->channel_map;
    }
    pa_threaded_mainloop_signal(q->loop, 0);
}

struct Alarm {
    explicit Alarm(pa_threaded_mainloop* l) : loop(l) {}
    pa_threaded_mainloop* loop;
    bool passed = false;
};

void alarmRang(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
    auto* a = static_cast<Alarm*>(userdata);
    a->passed = true;
    pa_threaded_mainloop_signal(a->loop, 0);
}

std::chrono::steady_clock::time_point deadlineFromNow() {
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(PulseAudioInput::kTimeoutMs);
}

}  // namespace

PulseAudioInput::PulseAudioInput(QString sourceName) : sourceName_(std::move(sourceName)) {
    // Connecting starts now: the first recording finds the server's answer there already.
    std::lock_guard api(api_);
    if (!ensureLoop()) return;
    pa_threaded_mainloop_lock(loop_);
    connectLocked();
    pa_threaded_mainloop_unlock(loop_);
}

PulseAudioInput::~PulseAudioInput() {
    std::lock_guard api(api_);
    if (!loop_) return;
    pa_threaded_mainloop_lock(loop_);
    stopLocked();
    dropContextLocked();
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

bool PulseAudioInput::ensureLoop() {
    if (loop_) return true;
    loop_ = pa_threaded_mainloop_new();
    if (!loop_) return false;
    if (pa_threaded_mainloop_start(loop_) < 0) {
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
        return false;
    }
    return true;
}

void PulseAudioInput::contextStateChanged(pa_context*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseAudioInput*>(self)->loop_, 0);
}

void PulseAudioInput::streamStateChanged(pa_stream* stream, void* self) {
    auto* me = static_cast<PulseAudioInput*>(self);
    // A running capture that ends without being stopped: its source or the server went away.
    if (stream == me->stream_ && me->lost_ && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
        const LostCallback lost = std::move(me->lost_);
        me->lost_ = nullptr;
        lost();
    }
    pa_threaded_mainloop_signal(me->loop_, 0);
}

void PulseAudioInput::streamReadable(pa_stream*, size_t, void* self) {
    auto* me = static_cast<PulseAudioInput*>(self);
    me->readLocked();
    me->deliverLocked(false);
}

bool PulseAudioInput::waitLocked(Deadline deadline, const std::function<bool()>& done) {
    if (done()) return true;
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    Alarm alarm(loop_);
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    struct timeval tv;
    pa_gettimeofday(&tv);
    pa_timeval_add(&tv, pa_usec_t(left.count()));
    pa_time_event* timer = api->time_new(api, &tv, alarmRang, &alarm);
    while (!done() && !alarm.passed) pa_threaded_mainloop_wait(loop_);
    api->time_free(timer);
    return done();
}

void PulseAudioInput::connectLocked() {
    context_ = PulseContext::connect(loop_, "production", contextStateChanged, this);
    connectStartedAt_ = std::chrono::steady_clock::now();
}

void PulseAudioInput::dropContextLocked() {
    PulseContext::release(context_);
    context_ = nullptr;
}

void PulseAudioInput::abandonContextLocked() {
    // The server left a question unanswered: nothing more is asked on this connection.
    dropContextLocked();
    connectLocked();
}

bool PulseAudioInput::ensureContextLocked(Deadline deadline) {
    if (context_ && pa_context_get_state(context_) == PA_CONTEXT_READY) return true;
    if (context_ && !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) dropContextLocked();
    if (!context_) connectLocked();
    if (!context_) return false;
    const Deadline until = std::min(deadline, connectStartedAt_ + std::chrono::milliseconds(kTimeoutMs));
    waitLocked(until, [this] {
        const pa_context_state_t s = pa_context_get_state(context_);
        return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
    });
    const pa_context_state_t state = pa_context_get_state(context_);
    if (state == PA_CONTEXT_READY) return true;
    // A failed connection is made anew by the next call; one still connecting is kept (the client
    // library gives it up in time) and not waited for again.
    if (!PA_CONTEXT_IS_GOOD(state)) dropContextLocked();
    return false;
}

bool PulseAudioInput::querySourceLocked(Source* out, Deadline deadline) {
    if (!ensureContextLocked(deadline)) return false;
    std::string name;
    bool named = true;
    if (!sourceName_.isEmpty()) {
        name = sourceName_.toStdString();
    } else if (const char* env = std::getenv("PULSE_SOURCE"); env && *env) {
        name = env;
    } else {
        name = "@DEFAULT_SOURCE@";
        named = false;
    }
    SourceQuery query(loop_);
    pa_operation* op = pa_context_get_source_info_by_name(context_, name.c_str(), sourceInfoArrived, &query);
    if (!op) return false;
    const bool answered = waitLocked(deadline, [&] { return query.done; });
    if (!answered) pa_operation_cancel(op);
    pa_operation_unref(op);
    if (!answered) {
        abandonContextLocked();
        return false;
    }
    if (!query.found || query.spec.rate == 0 || query.spec.channels == 0) return false;
    // Without any microphone the server's default source is an output's monitor: recording it
    // would take the desktop's own sound for the user's voice.
    if (!named && query.monitor) return false;
    out->name = query.name;
    out->spec = query.spec;
    out->map = query.map;
    return true;
}

AudioInput::Format PulseAudioInput::deviceFormat() {
    std::lock_guard api(api_);
    if (!ensureLoop()) return {};
    pa_threaded_mainloop_lock(loop_);
    Source source;
    const bool found = querySourceLocked(&source, deadlineFromNow());
    pa_threaded_mainloop_unlock(loop_);
    if (!found) return {};
    return {double(source.spec.rate), int(source.spec.channels)};
}

bool PulseAudioInput::start(size_t bufferFrames, Callback onSamples, LostCallback onLost) {
    std::lock_guard api(api_);
    if (!ensureLoop()) return false;
    const Deadline deadline = deadlineFromNow();
    pa_threaded_mainloop_lock(loop_);
    stopLocked();
    Source source;
    if (!querySourceLocked(&source, deadline)) {
        pa_threaded_mainloop_unlock(loop_);
        return false;
    }

    pa_sample_spec spec;
    spec.format = PA_SAMPLE_FLOAT32NE;
    spec.rate = source.spec.rate;
    spec.channels = source.spec.channels;
    pa_channel_map map = source.map;
    if (!pa_channel_map_valid(&map) || map.channels != spec.channels)
        pa_channel_map_init_extend(&map, spec.channels, PA_CHANNEL_MAP_DEFAULT);

    stream_ = pa_stream_new(context_, "Quendle microphone", &spec, &map);
    if (!stream_) {
        pa_threaded_mainloop_unlock(loop_);
        return false;
    }
    callback_ = std::move(onSamples);
    bufferFrames_ = bufferFrames > 0 ? bufferFrames : 4096;
    channels_ = spec.channels;
    rate_ = spec.rate;
    pending_.clear();
    pending_.reserve(bufferFrames_);
    pa_stream_set_state_callback(stream_, streamStateChanged, this);
    pa_stream_set_read_callback(stream_, streamReadable, this);

    // Small fragments: samples reach us within about 20 ms, so little is left behind on stop.
    pa_buffer_attr attr;
    std::memset(&attr, 0xff, sizeof attr);
    attr.fragsize = uint32_t(pa_usec_to_bytes(20 * PA_USEC_PER_MSEC, &spec));
    const pa_stream_flags_t flags = PA_STREAM_ADJUST_LATENCY;
    bool ready = pa_stream_connect_record(stream_, source.name.c_str(), &attr, flags) >= 0;
    bool unanswered = false;
    if (ready) {
        ready = waitLocked(deadline, [this] {
            const pa_stream_state_t s = pa_stream_get_state(stream_);
            return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
        });
        unanswered = !ready;
        ready = ready && pa_stream_get_state(stream_) == PA_STREAM_READY;
    }
    if (ready) {
        lost_ = std::move(onLost);  // from now on an end of the stream is a lost capture
    } else {
        callback_ = nullptr;
        pa_stream_set_read_callback(stream_, nullptr, nullptr);
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
        if (unanswered) abandonContextLocked();
    }
    pa_threaded_mainloop_unlock(loop_);
    return ready;
}

void PulseAudioInput::readLocked() {
    if (!stream_ || !callback_) return;
    const size_t frameBytes = sizeof(float) * channels_;
    while (pa_stream_readable_size(stream_) > 0) {
        const void* data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(stream_, &data, &bytes) < 0 || bytes == 0) break;
        const size_t frames = bytes / frameBytes;
        if (data) {
            const float* f = static_cast<const float*>(data);
            for (size_t i = 0; i < frames; ++i) pending_.push_back(f[i * channels_]);
        } else {
            pending_.insert(pending_.end(), frames, 0.0f);  // a hole: keep the timing with silence
        }
        pa_stream_drop(stream_);
        deliverLocked(false);
    }
}

void PulseAudioInput::deliverLocked(bool partialToo) {
    if (!callback_) return;
    size_t offset = 0;
    while (pending_.size() - offset >= bufferFrames_) {
        callback_(pending_.data() + offset, bufferFrames_, rate_);
        offset += bufferFrames_;
    }
    if (partialToo && pending_.size() > offset) {
        callback_(pending_.data() + offset, pending_.size() - offset, rate_);
        offset = pending_.size();
    }
    pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(offset));
}

void PulseAudioInput::stopLocked() {
    if (!stream_) return;
    if (pa_stream_get_state(stream_) == PA_STREAM_READY) readLocked();
    deliverLocked(true);
    callback_ = nullptr;
    lost_ = nullptr;
    pending_.clear();
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
}

void PulseAudioInput::stop() {
    std::lock_guard api(api_);
    if (!loop_) return;
    pa_threaded_mainloop_lock(loop_);
    stopLocked();
    pa_threaded_mainloop_unlock(loop_);
}

std::unique_ptr<AudioConverter> PulseAudioInput::makeConverter(double inputRate) {
    if (!(inputRate > 0)) return nullptr;
    auto converter = std::make_unique<SamplerateConverter>(inputRate);
    if (!converter->isValid()) return nullptr;
    return converter;
}

SamplerateConverter::SamplerateConverter(double inputRate)
    : ratio_(16000.0 / inputRate), identity_(inputRate == 16000.0) {
    if (identity_) return;
    int error = 0;
    state_ = src_new(SRC_SINC_MEDIUM_QUALITY, 1, &error);
    if (error != 0 && state_) {
        src_delete(static_cast<SRC_STATE*>(state_));
        state_ = nullptr;
    }
}

SamplerateConverter::~SamplerateConverter() {
    if (state_) src_delete(static_cast<SRC_STATE*>(state_));
}

QByteArray SamplerateConverter::convert(const float* samples, size_t frames, size_t capacityFrames) {
    if (!samples || frames == 0 || capacityFrames == 0) return QByteArray();
    const float* source = samples;
    size_t produced = frames;
    if (!identity_) {
        if (!state_) return QByteArray();
        out_.resize(capacityFrames);
        SRC_DATA d;
        std::memset(&d, 0, sizeof d);
        d.data_in = samples;
        d.input_frames = long(frames);
        d.data_out = out_.data();
        d.output_frames = long(capacityFrames);
        d.src_ratio = ratio_;
        d.end_of_input = 0;
        if (src_process(static_cast<SRC_STATE*>(state_), &d) != 0) return QByteArray();
        source = out_.data();
        produced = size_t(d.output_frames_gen);
    }
    produced = std::min(produced, capacityFrames);
    QByteArray bytes(qsizetype(produced) * 2, '\0');
    char* o = bytes.data();
    for (size_t i = 0; i < produced; ++i) {
        qToLittleEndian<qint16>(toInt16(source[i]), o + i * 2);
    }
    return bytes;
}
