#pragma once

#include "platform/Sounds.h"

#include <QHash>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

// Plays our synthesised sounds through the PulseAudio client library. Each sound is rendered once,
// on its first use, and kept in memory; every play is a stream of its own, so sounds overlap.
// play() never waits for the sound: it returns once the stream is on its way.
class PulseSounds final : public Sounds {
public:
    PulseSounds();
    ~PulseSounds() override;

    PulseSounds(const PulseSounds&) = delete;
    PulseSounds& operator=(const PulseSounds&) = delete;

    PlaybackId play(const QString& name) override;
    void stop(PlaybackId id) override;

    // Playbacks still sounding (for tests).
    size_t activeCount();

private:
    struct Playback;
    using Samples = std::shared_ptr<const std::vector<int16_t>>;

    Samples samplesFor(const QString& name);
    bool ensureContextLocked();
    void dropContextLocked();
    void finishLocked(Playback* playback);

    static void contextStateChanged(pa_context* context, void* self);
    static void streamStateChanged(pa_stream* stream, void* playback);
    static void drained(pa_stream* stream, int success, void* playback);

    std::mutex cacheMutex_;
    QHash<QString, Samples> cache_;

    std::mutex api_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    // Below: touched only with the main loop's lock held.
    std::map<PlaybackId, std::unique_ptr<Playback>> playing_;
    PlaybackId nextId_ = 1;
};
