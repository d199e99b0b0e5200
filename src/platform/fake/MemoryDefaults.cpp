#include "platform/fake/MemoryDefaults.h"

#include "platform/MainQueue.h"

#include <vector>

QVariant MemoryDefaults::object(const QString& key) const {
    std::lock_guard lock(mutex_);
    return values_.value(key);
}

void MemoryDefaults::set(const QString& key, const QVariant& value) {
    if (!value.isValid()) {
        remove(key);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        const QVariant v = normalized(value);
        if (values_.contains(key) && values_.value(key) == v && values_.value(key).metaType() == v.metaType()) return;
        values_.insert(key, v);
        writtenHere_.insert(key);
    }
    notify(key);
}

void MemoryDefaults::remove(const QString& key) {
    {
        std::lock_guard lock(mutex_);
        if (!values_.contains(key)) return;
        values_.remove(key);
        writtenHere_.insert(key);
    }
    notify(key);
}

QVariantMap MemoryDefaults::dictionary() const {
    std::lock_guard lock(mutex_);
    return values_;
}

bool MemoryDefaults::domainMissingOrEmpty() const {
    std::lock_guard lock(mutex_);
    return values_.isEmpty();
}

QVariant MemoryDefaults::globalObject(const QString& key) const {
    std::lock_guard lock(mutex_);
    return global_.value(key);
}

Defaults::ObserverId MemoryDefaults::observe(const QString& key, std::function<void()> onChange) {
    std::lock_guard lock(mutex_);
    const ObserverId id = nextId_++;
    observers_.emplace(id, std::make_pair(key, std::move(onChange)));
    return id;
}

void MemoryDefaults::unobserve(ObserverId id) {
    std::lock_guard lock(mutex_);
    observers_.erase(id);
}

bool MemoryDefaults::lastWrittenHere(const QString& key) const {
    std::lock_guard lock(mutex_);
    return writtenHere_.contains(key);
}

void MemoryDefaults::setFromOutside(const QString& key, const QVariant& value) {
    set(key, value);
    std::lock_guard lock(mutex_);
    writtenHere_.remove(key);
}

void MemoryDefaults::setGlobal(const QString& key, const QVariant& value) {
    std::lock_guard lock(mutex_);
    if (value.isValid())
        global_.insert(key, normalized(value));
    else
        global_.remove(key);
}

void MemoryDefaults::clear() {
    std::lock_guard lock(mutex_);
    values_.clear();
    global_.clear();
    writtenHere_.clear();
}

void MemoryDefaults::notify(const QString& key) {
    std::vector<ObserverId> ids;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [id, entry] : observers_)
            if (entry.first == key) ids.push_back(id);
    }
    for (ObserverId id : ids) {
        MainQueue::post([this, id] {
            std::function<void()> callback;
            {
                std::lock_guard lock(mutex_);
                auto it = observers_.find(id);
                if (it == observers_.end()) return;
                callback = it->second.second;
            }
            callback();
        });
    }
}
