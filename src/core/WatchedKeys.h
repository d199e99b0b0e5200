#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

class Defaults;

// The settings that may be written from outside the application while it runs, how a new value
// of each is read and checked, and the text form of each one's effective value (what the
// external-change watcher compares, logs and records).
namespace WatchedKeys {

// The 23 watched keys, in the order they are registered and checked at start.
const QStringList& keys();
bool contains(const QString& key);

// What a check does with a value. The external-change watcher implements it.
class Actions {
public:
    virtual ~Actions() = default;
    // Accepted: the value becomes the last good one and is written back when the stored object
    // differs (kind included), so a value written in another form is normalised.
    virtual void commit(const QString& key, const QVariant& value) = 0;
    // Accepted as stored: the value becomes the last good one; nothing is written.
    virtual void record(const QString& key, const QVariant& value) = 0;
    // Refused: the last good value goes back; `valueText` and `reason` are logged and recorded.
    virtual void reject(const QString& key, const QString& valueText, const QString& reason) = 0;
};

// Checks the value stored under `key` in `store` and acts on it. An absent key is not checked.
// Settings-store setters it calls write through AppPrefs (the same store).
void validate(const QString& key, const Defaults& store, Actions& actions);

// The text form of the key's effective value, built from the settings store's getters.
QString currentText(const QString& key);

// "off" when cleanup is off, else the stored cleanup style, "standard" when none (or when the
// stored one is no style: the mirror never holds a value the check would refuse).
QString currentCleanupMode();
// The speed-up factor in force: 1.0 for the "low" tier, else the cap of the input quality.
double effectiveSpeedFactor();

// "使える値は a / b / c です"; an empty value is shown as "\"\"（指定なし）".
QString notAllowedReason(const QStringList& allowed);
// The shortest decimal that reads back as the same double, with ".0" after a whole number
// ("0.0", "1.0", "0.35", "1.1111111111111112").
QString doubleText(double value);

// The value sets, in the order a rejection lists them.
const QStringList& cleanupModeChoices();  // "off" and the five styles
const QStringList& cleanupStyles();       // the five styles without "off"
const QStringList& soundChoices();        // "なし" and the sound names

}  // namespace WatchedKeys
