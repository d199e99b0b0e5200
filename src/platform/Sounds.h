#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Short named feedback sounds, played once without waiting; several may overlap.
class Sounds {
public:
    using PlaybackId = quint64;  // 0 never names a playback

    virtual ~Sounds() = default;

    // Starts playing the named sound and returns at once. An unknown name (and "なし") plays
    // nothing and returns 0.
    virtual PlaybackId play(const QString& name) = 0;
    // Cuts a playback short; a finished or unknown id is ignored.
    virtual void stop(PlaybackId id) = 0;

    // Every name a sound exists for, in the order the sound pickers offer them.
    static const QStringList& names() {
        static const QStringList all{
            QStringLiteral("Tink"),  QStringLiteral("Pop"),    QStringLiteral("Purr"),   QStringLiteral("Morse"),
            QStringLiteral("Ping"),  QStringLiteral("Bottle"), QStringLiteral("Blow"),   QStringLiteral("Frog"),
            QStringLiteral("Funk"),  QStringLiteral("Glass"),  QStringLiteral("Hero"),   QStringLiteral("Sosumi"),
            QStringLiteral("Submarine"), QStringLiteral("Basso")};
        return all;
    }
    static bool exists(const QString& name) { return names().contains(name); }
    // The name that stands for "no sound".
    static QString none() { return QStringLiteral("なし"); }
};
