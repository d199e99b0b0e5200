#include "platform/fake/FakeSounds.h"

Sounds::PlaybackId FakeSounds::play(const QString& name) {
    std::lock_guard lock(mutex_);
    requested_.append(name);
    if (!Sounds::exists(name)) return 0;
    played_.append(name);
    const PlaybackId id = nextId_++;
    playing_.insert(id);
    return id;
}

void FakeSounds::stop(PlaybackId id) {
    std::lock_guard lock(mutex_);
    playing_.erase(id);
}

QStringList FakeSounds::played() const {
    std::lock_guard lock(mutex_);
    return played_;
}

QStringList FakeSounds::requested() const {
    std::lock_guard lock(mutex_);
    return requested_;
}

bool FakeSounds::isPlaying(PlaybackId id) const {
    std::lock_guard lock(mutex_);
    return playing_.count(id) > 0;
}

void FakeSounds::clear() {
    std::lock_guard lock(mutex_);
    played_.clear();
    requested_.clear();
    playing_.clear();
}
