#pragma once

#include "platform/SyntheticKeys.h"

#include <QList>
#include <functional>

// Records the chords it is asked to post.
class FakeSyntheticKeys final : public SyntheticKeys {
public:
    struct Chord {
        quint16 keyId;
        quint64 flags;
        bool operator==(const Chord&) const = default;
    };
    bool postKey(quint16 keyId, quint64 flags) override {
        chords.append({keyId, flags});
        if (onPost) onPost(chords.last());
        return true;
    }
    QList<Chord> chords;
    std::function<void(const Chord&)> onPost;  // e.g. a test's stand-in for the target pasting
};
