#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "platform/Sounds.h"

// The four sound moments of a dictation, the settings key that stores each one's sound, and
// playing them. No state of its own: names live in the settings, sound comes from `Sounds`.
namespace Feedback {

enum class Moment { start, stop, success, failure };

// start, stop, success, failure: the order the settings list them in.
const QList<Moment>& allMoments();
// The raw value, which is also the settings key: "soundStart", "soundStop", "soundSuccess", "soundFailure".
QString rawValue(Moment moment);
// The moment whose raw value is exactly `raw` (case included); nothing otherwise.
std::optional<Moment> momentFromRawValue(const QString& raw);
// "Purr", "Frog", "Morse", "Tink".
QString defaultSound(Moment moment);

// The stored name for the moment (unchanged, even when no such sound exists), or its default.
QString soundName(Moment moment);
// Stores `name` for the moment and, unless it is "なし", plays it once as a preview.
void setSound(const QString& name, Moment moment, Sounds& sounds);
// Plays the moment's sound unless sounds are off (`soundEnabled`) or its name is "なし".
// Returns the playback, 0 when nothing plays.
Sounds::PlaybackId play(Moment moment, Sounds& sounds);

}  // namespace Feedback
