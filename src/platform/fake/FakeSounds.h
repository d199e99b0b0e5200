#pragma once

#include "platform/Sounds.h"

#include <QStringList>
#include <mutex>
#include <set>

// Records what would have been heard.
class FakeSounds final : public Sounds {
public:
    PlaybackId play(const QString& name) override;
    void stop(PlaybackId id) override;

    QStringList played() const;     // names that made a sound, in order
    QStringList requested() const;   // every name asked for, including silent ones
    bool isPlaying(PlaybackId id) const;
    void clear();

private:
    mutable std::mutex mutex_;
    QStringList played_;
    QStringList requested_;
    std::set<PlaybackId> playing_;
    PlaybackId nextId_ = 1;
};
