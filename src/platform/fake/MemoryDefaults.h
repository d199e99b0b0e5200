#pragma once

#include "platform/Defaults.h"

#include <QMap>
#include <QSet>
#include <map>
#include <mutex>

// In-memory defaults for tests. Observers are called through the main queue, like the real store.
class MemoryDefaults final : public Defaults {
public:
    QVariant object(const QString& key) const override;
    void set(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;
    QVariantMap dictionary() const override;
    bool domainMissingOrEmpty() const override;
    QVariant globalObject(const QString& key) const override;
    ObserverId observe(const QString& key, std::function<void()> onChange) override;
    void unobserve(ObserverId id) override;
    bool lastWrittenHere(const QString& key) const override;

    // What another process writing the file would do: change the value and notify observers
    // (the value then counts as written elsewhere). Also for values stored before "launch".
    void setFromOutside(const QString& key, const QVariant& value);
    void setGlobal(const QString& key, const QVariant& value);
    void clear();

private:
    void notify(const QString& key);

    mutable std::mutex mutex_;
    QVariantMap values_;
    QVariantMap global_;
    QSet<QString> writtenHere_;
    std::map<ObserverId, std::pair<QString, std::function<void()>>> observers_;
    ObserverId nextId_ = 1;
};
