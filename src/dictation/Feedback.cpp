#include "dictation/Feedback.h"

#include "core/AppPrefs.h"
#include "platform/Defaults.h"

namespace Feedback {

const QList<Moment>& allMoments() {
    static const QList<Moment> all{Moment::start, Moment::stop, Moment::success, Moment::failure};
    return all;
}

QString rawValue(Moment moment) {
    switch (moment) {
    case Moment::start: return QStringLiteral("soundStart");
    case Moment::stop: return QStringLiteral("soundStop");
    case Moment::success: return QStringLiteral("soundSuccess");
    case Moment::failure: return QStringLiteral("soundFailure");
    }
    return QString();
}

std::optional<Moment> momentFromRawValue(const QString& raw) {
    for (Moment m : allMoments())
        if (rawValue(m) == raw) return m;
    return std::nullopt;
}

QString defaultSound(Moment moment) {
    switch (moment) {
    case Moment::start: return QStringLiteral("Purr");
    case Moment::stop: return QStringLiteral("Frog");
    case Moment::success: return QStringLiteral("Morse");
    case Moment::failure: return QStringLiteral("Tink");
    }
    return QString();
}

QString soundName(Moment moment) {
    const QString stored = AppPrefs::defaults().stringForKey(rawValue(moment));
    return stored.isNull() ? defaultSound(moment) : stored;
}

void setSound(const QString& name, Moment moment, Sounds& sounds) {
    AppPrefs::defaults().set(rawValue(moment), name);
    if (name != Sounds::none()) sounds.play(name);
}

Sounds::PlaybackId play(Moment moment, Sounds& sounds) {
    if (!AppPrefs::soundEnabled()) return 0;
    const QString name = soundName(moment);
    if (name == Sounds::none()) return 0;
    return sounds.play(name);
}

}  // namespace Feedback
