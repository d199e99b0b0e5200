#pragma once

#include "core/StyleNoteWatcher.h"
#include "core/WatchedKeys.h"
#include "platform/Defaults.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>
#include <vector>

// The external-change watcher: lets the watched settings (WatchedKeys) be changed while the
// application runs by writing the defaults directly, and polls the style notes (StyleNoteWatcher).
//
// Every change of a watched key, whoever wrote it (another process, the settings window, a
// setter, the watcher's own write-back), is checked on the main queue. An accepted value is
// applied and, when the text form of the key's effective value differs from the one last seen,
// logged ("外から設定が変わった: "), recorded in the status file and reported to the change
// callback. A rejected value is replaced at once by the last good one (or, when there is none and
// another process wrote it, removed, so the setting reads as its default), logged
// ("外からの設定を無視した: ") and recorded, and the revert callback runs so that whatever shows
// the settings reads them again; the same rejection within 1 s is reverted again but not logged
// again. A value this process wrote itself is never removed: with no good value to go back to it
// stays as written (and is logged as kept). Write-backs of equal values are never made, so the
// watcher's own writes end after one more quiet check.
//
// One per process; construct, start and destroy it on the main thread.
class ExternalConfig final : private WatchedKeys::Actions {
public:
    static constexpr double kRepeatedRejectionSeconds = 1.0;
    static constexpr int kLogValueCharacters = 60;

    // `store` is the defaults the settings store reads (AppPrefs::defaults()); it must outlive
    // the watcher. `refreshStatus` asks the status file for a new document (may be empty).
    ExternalConfig(Defaults& store, std::function<void()> refreshStatus);
    // Stops observing and polling.
    ~ExternalConfig() override;

    ExternalConfig(const ExternalConfig&) = delete;
    ExternalConfig& operator=(const ExternalConfig&) = delete;

    // Checks every stored watched value (invalid ones are reverted, logged and recorded; nothing
    // is reported as a change), keeps the mirror keys in step, starts observing and starts the
    // style-note poll. `onChange` runs after each reported change, `onRevert` after each value
    // the watcher put back (both may be empty). A second call only replaces the callbacks.
    void start(std::function<void()> onChange, std::function<void()> onRevert = {});
    bool isStarted() const { return started_; }

    // Checks one watched key as the defaults hold it now (main thread).
    void handleChange(const QString& key);
    // One style-note poll (main thread).
    void pollStyleNotes() { styleNotes_.poll(); }

    // Records `value` as the key's last good value and writes it when the stored object differs
    // in kind or value.
    void commit(const QString& key, const QVariant& value) override;
    // Restores the last good value, then logs and records the rejection.
    void reject(const QString& key, const QString& valueText, const QString& reason) override;
    void rejectNotAllowed(const QString& key, const QString& valueText, const QStringList& allowed);
    void validate(const QString& key);
    static QString currentText(const QString& key) { return WatchedKeys::currentText(key); }

    static const QStringList& watchedKeys() { return WatchedKeys::keys(); }
    static const QStringList& styleNoteKeys() { return StyleNoteWatcher::styleNoteKeys(); }

private:
    void record(const QString& key, const QVariant& value) override;
    void refreshStatus();

    struct Rejection {
        QString key;
        QString value;
        double at;  // monotonic seconds
    };

    Defaults& store_;
    std::function<void()> refreshStatus_;
    std::function<void()> onChange_;
    std::function<void()> onRevert_;
    QHash<QString, QString> applied_;   // per key, the text form last seen
    QHash<QString, QVariant> lastGood_; // per key, the value last accepted or mirrored
    QHash<QString, QVariant> ownWrites_; // per key, the value the watcher itself last wrote
    std::optional<Rejection> lastRejected_;
    StyleNoteWatcher styleNotes_;
    std::vector<Defaults::ObserverId> observers_;
    bool started_ = false;
    std::shared_ptr<ExternalConfig*> alive_;
};
