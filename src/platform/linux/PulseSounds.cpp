#include "platform/linux/PulseSounds.h"

#include "platform/linux/SoundSynth.h"

#include "platform/linux/PulseContext.h"

#include <pulse/pulseaudio.h>

struct PulseSounds::Playback {
    PulseSounds* owner;
    PlaybackId id;
    pa_stream* stream;
    Samples samples;
    // The pending drain, whose callback names this playback: cancelled when the playback ends
    // another way, since a stream cut short gets the server's refusal of the drain afterwards.
    pa_operation* drain = nullptr;
};

PulseSounds::PulseSounds() = default;

PulseSounds::~PulseSounds() {
    std::lock_guard api(api_);
    if (!loop_) return;
    pa_threaded_mainloop_lock(loop_);
    while (!playing_.empty()) finishLocked(playing_.begin()->second.get());
    dropContextLocked();
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

PulseSounds::Samples PulseSounds::samplesFor(const QString& name) {
    std::lock_guard lock(cacheMutex_);
    auto it = cache_.find(name);
    if (it != cache_.end()) return it.value();
    auto samples = std::make_shared<const std::vector<int16_t>>(SoundSynth::render(name));
    cache_.insert(name, samples);
    return samples;
}

void PulseSounds::contextStateChanged(pa_context*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseSounds*>(self)->loop_, 0);
}

void PulseSounds::dropContextLocked() {
    PulseContext::release(context_);
    context_ = nullptr;
}

bool PulseSounds::ensureContextLocked() {
    if (context_) {
        const pa_context_state_t s = pa_context_get_state(context_);
        if (s == PA_CONTEXT_READY) return true;
        if (PA_CONTEXT_IS_GOOD(s)) return false;  // still connecting: this sound is skipped
        // The connection broke: the streams on it are gone too.
        while (!playing_.empty()) finishLocked(playing_.begin()->second.get());
        dropContextLocked();
    }
    context_ = PulseContext::connect(loop_, "event", contextStateChanged, this);
    if (!context_) return false;
    // A local server answers within milliseconds and a refused connection fails at once; wait at
    // most half a second so a feedback sound never holds up its caller for long.
    struct Deadline {
        pa_threaded_mainloop* loop;
        bool passed = false;
    } deadline{loop_};
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    struct timeval tv;
    pa_gettimeofday(&tv);
    pa_timeval_add(&tv, 500 * PA_USEC_PER_MSEC);
    pa_time_event* timer = api->time_new(
        api, &tv,
        [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
            auto* d = static_cast<Deadline*>(userdata);
            d->passed = true;
            pa_threaded_mainloop_signal(d->loop, 0);
        },
        &deadline);
    while (!deadline.passed && pa_context_get_state(context_) != PA_CONTEXT_READY &&
           PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)))
        pa_threaded_mainloop_wait(loop_);
    api->time_free(timer);
    if (pa_context_get_state(context_) == PA_CONTEXT_READY) return true;
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) dropContextLocked();
    return false;
}

Sounds::PlaybackId PulseSounds::play(const QString& name) {
    if (!Sounds::exists(name)) return 0;
    Samples samples = samplesFor(name);
    if (!samples || samples->empty()) return 0;

    std::lock_guard api(api_);
    if (!loop_) {
        loop_ = pa_threaded_mainloop_new();
        if (!loop_) return 0;
        if (pa_threaded_mainloop_start(loop_) < 0) {
            pa_threaded_mainloop_free(loop_);
            loop_ = nullptr;
            return 0;
        }
    }
    pa_threaded_mainloop_lock(loop_);
    PlaybackId id = 0;
    if (ensureContextLocked()) {
        pa_sample_spec spec;
        spec.format = PA_SAMPLE_S16LE;
        spec.rate = SoundSynth::kSampleRate;
        spec.channels = 1;
        const QByteArray streamName = (QStringLiteral("Quendle ") + name).toUtf8();
        pa_stream* stream = pa_stream_new(context_, streamName.constData(), &spec, nullptr);
        if (stream) {
            id = nextId_++;
            auto playback = std::make_unique<Playback>(Playback{this, id, stream, samples});
            pa_stream_set_state_callback(stream, streamStateChanged, playback.get());
            Playback* raw = playback.get();
            playing_[id] = std::move(playback);
            if (pa_stream_connect_playback(stream, nullptr, nullptr, PA_STREAM_NOFLAGS, nullptr, nullptr) < 0) {
                finishLocked(raw);
                id = 0;
            }
        }
    }
    pa_threaded_mainloop_unlock(loop_);
    return id;
}

void PulseSounds::streamStateChanged(pa_stream* stream, void* userdata) {
    auto* playback = static_cast<Playback*>(userdata);
    switch (pa_stream_get_state(stream)) {
    case PA_STREAM_READY: {
        const auto& samples = *playback->samples;
        // The whole sound at once (it is short); the server buffers it.
        pa_stream_write(stream, samples.data(), samples.size() * sizeof(int16_t), nullptr, 0, PA_SEEK_RELATIVE);
        if (!playback->drain) playback->drain = pa_stream_drain(stream, drained, playback);
        break;
    }
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        playback->owner->finishLocked(playback);
        break;
    default:
        break;
    }
}

void PulseSounds::drained(pa_stream*, int, void* userdata) {
    auto* playback = static_cast<Playback*>(userdata);
    if (playback->drain) pa_operation_unref(playback->drain);  // answered: nothing left to cancel
    playback->drain = nullptr;
    playback->owner->finishLocked(playback);
}

void PulseSounds::finishLocked(Playback* playback) {
    auto it = playing_.find(playback->id);
    if (it == playing_.end()) return;
    std::unique_ptr<Playback> owned = std::move(it->second);
    playing_.erase(it);
    if (owned->drain) {
        pa_operation_cancel(owned->drain);  // its late answer must not reach the freed playback
        pa_operation_unref(owned->drain);
        owned->drain = nullptr;
    }
    pa_stream* stream = owned->stream;
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

void PulseSounds::stop(PlaybackId id) {
    std::lock_guard api(api_);
    if (!loop_) return;
    pa_threaded_mainloop_lock(loop_);
    auto it = playing_.find(id);
    if (it != playing_.end()) finishLocked(it->second.get());
    pa_threaded_mainloop_unlock(loop_);
}

size_t PulseSounds::activeCount() {
    std::lock_guard api(api_);
    if (!loop_) return 0;
    pa_threaded_mainloop_lock(loop_);
    const size_t n = playing_.size();
    pa_threaded_mainloop_unlock(loop_);
    return n;
}
