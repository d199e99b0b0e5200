#include "platform/linux/PlistDefaults.h"

#include "platform/Files.h"
#include "platform/MainQueue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimeZone>
#include <QTimer>

#include <plist/plist.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Property-list dates count seconds from 2001-01-01T00:00:00Z.
constexpr qint64 kAppleEpochOffset = 978'307'200;

// No settings value nests anywhere near this deep; a file that does is damaged or hostile, and
// walking it recursively would risk the stack (and writing it back costs time quadratic in depth).
constexpr int kMaxDepth = 64;

plist_t toPlist(const QVariant& value, int depth);

plist_t dictToPlist(const QVariantMap& map, int depth) {
    plist_t dict = plist_new_dict();
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (plist_t item = toPlist(it.value(), depth + 1)) plist_dict_set_item(dict, it.key().toUtf8().constData(), item);
    }
    return dict;
}

plist_t toPlist(const QVariant& raw, int depth) {
    if (depth > kMaxDepth) return nullptr;
    const QVariant v = Defaults::normalized(raw);
    if (Defaults::isBool(v)) return plist_new_bool(v.toBool() ? 1 : 0);
    if (Defaults::isInteger(v)) return plist_new_uint(static_cast<uint64_t>(v.toLongLong()));
    if (Defaults::isNumber(v)) return plist_new_real(v.toDouble());
    if (Defaults::isString(v)) return plist_new_string(v.toString().toUtf8().constData());
    if (Defaults::isData(v)) {
        const QByteArray bytes = v.toByteArray();
        return plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size()));
    }
    if (Defaults::isDate(v)) {
        const QDateTime when = v.toDateTime();
        if (!when.isValid()) return nullptr;
        // Whole seconds (floor), within what the library's 32-bit seconds can hold.
        qint64 seconds = when.toSecsSinceEpoch() - kAppleEpochOffset;
        if (when.toMSecsSinceEpoch() % 1000 < 0) seconds -= 1;
        if (seconds > INT32_MAX) seconds = INT32_MAX;
        if (seconds < INT32_MIN) seconds = INT32_MIN;
        return plist_new_date(static_cast<int32_t>(seconds), 0);
    }
    if (Defaults::isArray(v)) {
        plist_t array = plist_new_array();
        for (const QVariant& item : v.toList())
            if (plist_t node = toPlist(item, depth + 1)) plist_array_append_item(array, node);
        return array;
    }
    if (Defaults::isDictionary(v)) return dictToPlist(v.toMap(), depth);
    return nullptr;
}

QVariant fromPlist(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return QVariant(b != 0);
    }
    case PLIST_UINT: {
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        return QVariant(static_cast<qlonglong>(u));
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return QVariant(d);
    }
    case PLIST_STRING: {
        char* s = nullptr;
        plist_get_string_val(node, &s);
        const QString text = s ? QString::fromUtf8(s) : QString(QLatin1String(""));
        std::free(s);
        return QVariant(text);
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        QByteArray data(bytes ? bytes : "", static_cast<qsizetype>(bytes ? length : 0));
        std::free(bytes);
        return QVariant(data);
    }
    case PLIST_DATE: {
        int32_t sec = 0;
        int32_t usec = 0;
        plist_get_date_val(node, &sec, &usec);
        const qint64 ms = (static_cast<qint64>(sec) + kAppleEpochOffset) * 1000 + usec / 1000;
        return QVariant(QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t count = plist_array_get_size(node);
        for (uint32_t i = 0; i < count; ++i) {
            const QVariant item = fromPlist(plist_array_get_item(node, i));
            if (item.isValid()) list.append(item);
        }
        return QVariant(list);
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, &key, &value);
            if (!value) {
                std::free(key);
                break;
            }
            const QVariant item = fromPlist(value);
            if (key && item.isValid()) map.insert(QString::fromUtf8(key), item);
            std::free(key);
        }
        std::free(iter);
        return QVariant(map);
    }
    default:
        return QVariant();
    }
}

// Whether a parsed tree can be converted safely: nested no deeper than kMaxDepth (checked without
// recursion), and no string or key holding a NUL character, on which the library's getters abort.
// A NUL shows in the XML form the library writes, which keeps the characters the getters would cut.
bool readableTree(plist_t root) {
    std::vector<std::pair<plist_t, int>> pending{{root, 0}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        if (depth > kMaxDepth) return false;
        const plist_type type = plist_get_node_type(node);
        if (type == PLIST_ARRAY) {
            const uint32_t count = plist_array_get_size(node);
            for (uint32_t i = 0; i < count; ++i) pending.emplace_back(plist_array_get_item(node, i), depth + 1);
        } else if (type == PLIST_DICT) {
            plist_dict_iter iter = nullptr;
            plist_dict_new_iter(node, &iter);
            for (;;) {
                plist_t value = nullptr;
                plist_dict_next_item(node, iter, nullptr, &value);  // no key: its getter may abort
                if (!value) break;
                pending.emplace_back(value, depth + 1);
            }
            std::free(iter);
        }
    }
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    const bool clean = xml && std::memchr(xml, 0, length) == nullptr;
    if (xml) plist_to_xml_free(xml);
    return clean;
}

// An exclusive lock shared with other processes writing the same domain.
class DomainLock {
public:
    explicit DomainLock(const QString& path) {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~DomainLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    DomainLock(const DomainLock&) = delete;
    DomainLock& operator=(const DomainLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace

// ---- conversions

QByteArray PlistDefaults::toXml(const QVariantMap& map) {
    plist_t dict = dictToPlist(map, 0);
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(dict, &xml, &length);
    QByteArray bytes(xml ? xml : "", static_cast<qsizetype>(xml ? length : 0));
    if (xml) plist_to_xml_free(xml);
    plist_free(dict);
    return bytes;
}

std::optional<QVariantMap> PlistDefaults::fromXml(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > INT32_MAX) return std::nullopt;
    // XML cannot hold a NUL character; the library would read one as the end of the text.
    if (!bytes.startsWith("bplist") && bytes.contains('\0')) return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
    if (!root) return std::nullopt;
    std::optional<QVariantMap> result;
    if (plist_get_node_type(root) == PLIST_DICT && readableTree(root)) result = fromPlist(root).toMap();
    plist_free(root);
    return result;
}

QVariant PlistDefaults::storable(const QVariant& value) {
    // Refused whole rather than cut short at the depth limit.
    std::vector<std::pair<QVariant, int>> pending{{value, 0}};
    while (!pending.empty()) {
        const auto [item, depth] = pending.back();
        pending.pop_back();
        if (depth > kMaxDepth) return QVariant();
        if (isArray(item))
            for (const QVariant& child : item.toList()) pending.emplace_back(child, depth + 1);
        else if (isDictionary(item))
            for (const QVariant& child : item.toMap()) pending.emplace_back(child, depth + 1);
    }
    plist_t node = toPlist(value, 0);
    if (!node) return QVariant();
    QVariant result = fromPlist(node);
    plist_free(node);
    return result;
}

bool PlistDefaults::sameValue(const QVariant& a, const QVariant& b) {
    if (a.isValid() != b.isValid()) return false;
    if (!a.isValid()) return true;
    if (a.metaType() != b.metaType()) return false;
    if (isArray(a)) {
        const QVariantList x = a.toList();
        const QVariantList y = b.toList();
        if (x.size() != y.size()) return false;
        for (qsizetype i = 0; i < x.size(); ++i)
            if (!sameValue(x[i], y[i])) return false;
        return true;
    }
    if (isDictionary(a)) {
        const QVariantMap x = a.toMap();
        const QVariantMap y = b.toMap();
        if (x.size() != y.size()) return false;
        for (auto it = x.begin(); it != x.end(); ++it) {
            auto other = y.find(it.key());
            if (other == y.end() || !sameValue(it.value(), other.value())) return false;
        }
        return true;
    }
    if (a.metaType().id() == QMetaType::Double) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x == y || (std::isnan(x) && std::isnan(y));
    }
    return a == b;
}

// ---- life

PlistDefaults::PlistDefaults(const QString& domain, const QString& directory)
    : observers_(std::make_shared<ObserverTable>()) {
    const QString dir = directory.isEmpty() ? Files::inHome(QStringLiteral("Library/Preferences")) : directory;
    Files::makeDirectories(dir);
    path_ = dir + QLatin1Char('/') + domain + QStringLiteral(".plist");
    globalPath_ = dir + QStringLiteral("/.GlobalPreferences.plist");
    lockPath_ = dir + QLatin1Char('/') + QLatin1Char('.') + domain + QStringLiteral(".plist.lock");

    bool exists = false;
    if (std::optional<QVariantMap> disk = readDisk(&exists)) {
        values_ = *disk;
    } else if (exists) {
        // Carry on with defaults, and keep the damaged file for the user before anything replaces it.
        keepUnreadableCopy();
        unreadableAtStart_ = true;
    }

    watcher_ = new QFileSystemWatcher(this);
    watcher_->addPath(dir);
    watchFile();
    reloadTimer_ = new QTimer(this);
    reloadTimer_->setSingleShot(true);
    reloadTimer_->setInterval(30);  // one reload for the burst of events an atomic replace makes
    connect(reloadTimer_, &QTimer::timeout, this, [this] { reload(); });
    const auto changed = [this](const QString&) {
        watchFile();
        reloadTimer_->start();
    };
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, changed);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, changed);
}

PlistDefaults::~PlistDefaults() = default;

QString PlistDefaults::unreadableCopyPath() const { return path_ + QStringLiteral(".unreadable"); }

void PlistDefaults::keepUnreadableCopy() const {
    // Replaced in one step, so the copy is never missing while a newer one is made.
    QFile file(path_);
    if (file.open(QIODevice::ReadOnly)) Files::writeAtomically(unreadableCopyPath(), file.readAll());
}

void PlistDefaults::watchFile() {
    // An atomic replace puts a new file at the path; the watch on the old one is gone with it.
    if (QFileInfo::exists(path_) && !watcher_->files().contains(path_)) watcher_->addPath(path_);
}

std::optional<QVariantMap> PlistDefaults::readDisk(bool* fileExists) const {
    QFile file(path_);
    *fileExists = file.exists();
    if (!*fileExists) return QVariantMap();
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (bytes.trimmed().isEmpty()) return QVariantMap();  // an empty file is an empty domain
    return fromXml(bytes);
}

// ---- reads

QVariant PlistDefaults::object(const QString& key) const {
    std::lock_guard lock(dataMutex_);
    return values_.value(key);
}

QVariantMap PlistDefaults::dictionary() const {
    std::lock_guard lock(dataMutex_);
    return values_;
}

bool PlistDefaults::domainMissingOrEmpty() const {
    std::lock_guard lock(dataMutex_);
    return values_.isEmpty();
}

QVariant PlistDefaults::globalObject(const QString& key) const {
    const QFileInfo info(globalPath_);
    std::lock_guard lock(dataMutex_);
    const qint64 size = info.exists() ? info.size() : -1;
    const QDateTime stamp = info.exists() ? info.lastModified() : QDateTime();
    if (size != globalSize_ || stamp != globalStamp_) {
        global_.clear();
        if (size >= 0) {
            QFile file(globalPath_);
            if (file.open(QIODevice::ReadOnly))
                if (std::optional<QVariantMap> map = fromXml(file.readAll())) global_ = *map;
        }
        globalSize_ = size;
        globalStamp_ = stamp;
    }
    return global_.value(key);
}

// ---- writes

void PlistDefaults::set(const QString& key, const QVariant& value) {
    if (!value.isValid()) {
        remove(key);
        return;
    }
    const QVariant v = storable(value);
    if (!v.isValid()) {
        qWarning("PlistDefaults: a value of kind %s cannot be stored under %s", value.typeName(),
                 qPrintable(key));
        return;
    }
    write(key, v);
}

void PlistDefaults::remove(const QString& key) { write(key, std::nullopt); }

void PlistDefaults::write(const QString& key, const std::optional<QVariant>& value) {
    std::lock_guard writer(writeMutex_);
    bool changed = false;
    {
        std::lock_guard lock(dataMutex_);
        const QVariant before = values_.value(key);
        changed = value ? !sameValue(before, *value) : before.isValid();
        if (changed) {
            if (value)
                values_.insert(key, *value);
            else
                values_.remove(key);
            writtenHere_.insert(key);
        }
        // Even a value this process already holds goes to the disk: another process may have
        // written something else there since our last reload, and this write is the newer one.
        // persistPending leaves the file alone when it already says the same.
        pending_[key] = value;
    }
    persistPending();
    if (changed) notify({key});
}

bool PlistDefaults::persistPending() {
    std::map<QString, std::optional<QVariant>> changes;
    QVariantMap fallback;
    {
        std::lock_guard lock(dataMutex_);
        changes = pending_;
        fallback = values_;
    }
    if (changes.empty()) return true;

    DomainLock domainLock(lockPath_);
    bool exists = false;
    std::optional<QVariantMap> disk = readDisk(&exists);
    const bool unreadable = !disk;
    if (unreadable) {
        // Unreadable (a broken edit): keep a copy for the user, then write what this process knows.
        keepUnreadableCopy();
        disk = fallback;
    }
    const QVariantMap before = *disk;
    for (const auto& [key, value] : changes) {
        if (value)
            disk->insert(key, *value);
        else
            disk->remove(key);
    }
    const bool sameAsDisk = !unreadable && sameValue(QVariant(before), QVariant(*disk));
    if (!sameAsDisk && !Files::writeAtomically(path_, toXml(*disk))) return false;

    std::lock_guard lock(dataMutex_);
    for (const auto& [key, value] : changes) {
        auto it = pending_.find(key);
        if (it != pending_.end() && (it->second.has_value() == value.has_value()) &&
            (!value || sameValue(*it->second, *value)))
            pending_.erase(it);
    }
    return true;
}

void PlistDefaults::reload() {
    QStringList changed;
    {
        std::lock_guard writer(writeMutex_);
        bool exists = false;
        std::optional<QVariantMap> disk = readDisk(&exists);
        if (!disk) return;  // half-written or broken: keep what we have until a good version appears
        std::lock_guard lock(dataMutex_);
        // Changes of this process that did not reach the disk yet stay as written.
        for (const auto& [key, value] : pending_) {
            if (value)
                disk->insert(key, *value);
            else
                disk->remove(key);
        }
        for (auto it = values_.begin(); it != values_.end(); ++it)
            if (!sameValue(it.value(), disk->value(it.key()))) changed.append(it.key());
        for (auto it = disk->begin(); it != disk->end(); ++it)
            if (!values_.contains(it.key())) changed.append(it.key());
        for (const QString& key : changed) writtenHere_.remove(key);
        values_ = *disk;
    }
    if (!changed.isEmpty()) notify(changed);
}

// ---- observers

Defaults::ObserverId PlistDefaults::observe(const QString& key, std::function<void()> onChange) {
    std::lock_guard lock(observers_->mutex);
    const ObserverId id = observers_->nextId++;
    observers_->entries.emplace(id, std::make_pair(key, std::move(onChange)));
    return id;
}

bool PlistDefaults::lastWrittenHere(const QString& key) const {
    std::lock_guard lock(dataMutex_);
    return writtenHere_.contains(key);
}

void PlistDefaults::unobserve(ObserverId id) {
    std::lock_guard lock(observers_->mutex);
    observers_->entries.erase(id);
}

void PlistDefaults::notify(const QStringList& keys) {
    std::vector<ObserverId> ids;
    {
        std::lock_guard lock(observers_->mutex);
        for (const auto& [id, entry] : observers_->entries)
            if (keys.contains(entry.first)) ids.push_back(id);
    }
    const std::weak_ptr<ObserverTable> table = observers_;
    for (ObserverId id : ids) {
        MainQueue::post([table, id] {
            const std::shared_ptr<ObserverTable> alive = table.lock();
            if (!alive) return;
            std::function<void()> callback;
            {
                std::lock_guard lock(alive->mutex);
                auto it = alive->entries.find(id);
                if (it == alive->entries.end()) return;
                callback = it->second.second;
            }
            callback();
        });
    }
}
