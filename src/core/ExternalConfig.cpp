#include "core/ExternalConfig.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/Graphemes.h"
#include "core/StatusDocument.h"
#include "core/StatusFile.h"
#include "platform/Clock.h"

namespace {

// Same kind and same value: a value stored in another kind (the string "0.3" for a number, the
// integer 1 for a Bool) is not the committed value, since the settings store reads by kind.
bool sameStored(const QVariant& stored, const QVariant& value) {
    const QVariant a = Defaults::normalized(stored);
    const QVariant b = Defaults::normalized(value);
    return a.isValid() == b.isValid() && a.metaType() == b.metaType() && a == b;
}

}  // namespace

ExternalConfig::ExternalConfig(Defaults& store, std::function<void()> refreshStatus)
    : store_(store),
      refreshStatus_(std::move(refreshStatus)),
      styleNotes_(store, refreshStatus_),
      alive_(std::make_shared<ExternalConfig*>(this)) {}

ExternalConfig::~ExternalConfig() {
    *alive_ = nullptr;
    for (Defaults::ObserverId id : observers_) store_.unobserve(id);
}

void ExternalConfig::start(std::function<void()> onChange, std::function<void()> onRevert) {
    onChange_ = std::move(onChange);
    onRevert_ = std::move(onRevert);
    if (started_) return;  // observing twice would check every change twice
    started_ = true;

    commit(QStringLiteral("transcriptionRoute"),
           AppPrefs::qualityLevel() == QLatin1String("low") ? QStringLiteral("local") : QStringLiteral("auto"));

    const std::weak_ptr<ExternalConfig*> weak = alive_;
    for (const QString& key : watchedKeys()) {
        // The store calls observers on the main queue, with the newest value to be read then.
        observers_.push_back(store_.observe(key, [weak, key] {
            if (auto alive = weak.lock(); alive && *alive) (**alive).handleChange(key);
        }));
        handleChange(key);
    }

    commit(QStringLiteral("cleanupMode"), WatchedKeys::currentCleanupMode());

    // The style notes report through whatever callbacks are current.
    styleNotes_.start(
        [weak] {
            if (auto alive = weak.lock(); alive && *alive && (**alive).onChange_) {
                const std::function<void()> callback = (**alive).onChange_;
                callback();
            }
        },
        [weak] {
            if (auto alive = weak.lock(); alive && *alive && (**alive).onRevert_) {
                const std::function<void()> callback = (**alive).onRevert_;
                callback();
            }
        });
}

void ExternalConfig::validate(const QString& key) { WatchedKeys::validate(key, store_, *this); }

void ExternalConfig::handleChange(const QString& key) {
    if (!WatchedKeys::contains(key)) return;
    validate(key);
    if (key == QLatin1String("cleanup") || key == QLatin1String("cleanupStyle"))
        commit(QStringLiteral("cleanupMode"), WatchedKeys::currentCleanupMode());

    const QString text = currentText(key);
    const auto last = applied_.constFind(key);
    if (last != applied_.constEnd() && *last == text) return;
    const bool seen = last != applied_.constEnd();
    applied_.insert(key, text);
    if (!seen) return;  // the first check at start reports nothing

    AppLog::write(QStringLiteral("外から設定が変わった: ") + key + QStringLiteral(" = ") +
                  Graphemes::first(text, kLogValueCharacters));
    StatusFile::noteConfigChange(key, text);
    if (onChange_) {
        const std::weak_ptr<ExternalConfig*> weak = alive_;
        const std::function<void()> callback = onChange_;
        callback();
        if (weak.expired()) return;  // the callback let the watcher go
    }
    refreshStatus();
}

void ExternalConfig::commit(const QString& key, const QVariant& value) {
    lastGood_.insert(key, value);
    if (sameStored(store_.object(key), value)) return;
    ownWrites_.insert(key, value);
    store_.set(key, value);
}

void ExternalConfig::record(const QString& key, const QVariant& value) { lastGood_.insert(key, value); }

void ExternalConfig::reject(const QString& key, const QString& valueText, const QString& reason) {
    const auto found = lastGood_.constFind(key);
    const std::optional<QVariant> good =
        found == lastGood_.constEnd() ? std::nullopt : std::optional<QVariant>(*found);
    const bool stale = good && sameStored(store_.object(key), *good);
    // The last good value itself no longer passes (the choices changed since): writing it back
    // would change nothing, so there is nothing to go back to.
    if (stale) lastGood_.remove(key);
    const bool nothingToGoBackTo = !good || stale;
    // This process's own settings never vanish for a failed check: the user chose them here. (A
    // value the watcher itself put back is no such choice.)
    const auto putBack = ownWrites_.constFind(key);
    const bool ours = putBack != ownWrites_.constEnd() && sameStored(store_.object(key), *putBack);
    const bool keep = nothingToGoBackTo && store_.lastWrittenHere(key) && !ours;
    if (keep) {
        // nothing is written
    } else if (nothingToGoBackTo) {
        store_.remove(key);
    } else {
        ownWrites_.insert(key, *good);
        store_.set(key, *good);
    }

    const double now = Clock::monotonicNow();
    const bool repeated = lastRejected_ && lastRejected_->key == key && lastRejected_->value == valueText &&
                          now - lastRejected_->at < kRepeatedRejectionSeconds;
    if (!repeated) {
        lastRejected_ = Rejection{key, valueText, now};
        const QString shown = key + QStringLiteral(" = ") + Graphemes::first(valueText, kLogValueCharacters) +
                              QStringLiteral("（") + reason + QStringLiteral("）");
        AppLog::write((keep ? QStringLiteral("設定の値を確かめられなかったが、そのまま残した: ")
                            : QStringLiteral("外からの設定を無視した: ")) + shown);
        StatusFile::noteConfigError(key, valueText, reason);
        refreshStatus();
    }
    if (!keep && onRevert_) {
        // Whatever shows the settings may still show the refused value: it reads them again.
        const std::function<void()> callback = onRevert_;
        callback();
    }
}

void ExternalConfig::rejectNotAllowed(const QString& key, const QString& valueText, const QStringList& allowed) {
    reject(key, valueText, WatchedKeys::notAllowedReason(allowed));
}

void ExternalConfig::refreshStatus() {
    if (refreshStatus_) refreshStatus_();
}
