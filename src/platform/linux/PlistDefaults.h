#pragma once

#include "platform/Defaults.h"

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVariantMap>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

class QFileSystemWatcher;
class QTimer;

// The settings domain as an XML property list: <directory>/<domain>.plist, with the global domain
// in <directory>/.GlobalPreferences.plist beside it (directory default: ~/Library/Preferences).
//
// Reads come from memory. Every write goes to disk before set()/remove() returns: under a lock
// shared with other processes the file is read again, this process's change is applied on top and
// the result replaces the file atomically, so changes other processes made meanwhile survive.
// Observers run on the main queue, for this process's writes at once and for other processes'
// writes when the file watcher reports the file changed (an editor's atomic replace included).
// A file that cannot be parsed is never replaced without a copy: it is kept as <file>.unreadable.
//
// Construct on the main thread (the watcher lives there); the Defaults operations are thread-safe.
// Dates keep whole seconds, the precision of the XML form.
class PlistDefaults final : public QObject, public Defaults {
public:
    explicit PlistDefaults(const QString& domain = QStringLiteral("orvane"), const QString& directory = QString());
    ~PlistDefaults() override;

    QVariant object(const QString& key) const override;
    void set(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;
    QVariantMap dictionary() const override;
    bool domainMissingOrEmpty() const override;
    QVariant globalObject(const QString& key) const override;
    ObserverId observe(const QString& key, std::function<void()> onChange) override;
    void unobserve(ObserverId id) override;
    bool lastWrittenHere(const QString& key) const override;

    QString filePath() const { return path_; }
    QString globalFilePath() const { return globalPath_; }
    // The file existed but could not be read when this store was made: it started from defaults,
    // with the file kept as unreadableCopyPath().
    bool wasUnreadableAtStart() const { return unreadableAtStart_; }
    QString unreadableCopyPath() const;

    // Reads the file again and notifies the keys whose values changed. The watcher calls it; tests
    // may call it directly.
    void reload();

    // The XML property-list form of a dictionary, and back (none when the bytes are not a
    // property list holding a dictionary, or one nested deeper than any setting or holding a NUL
    // character in a string or key; binary property lists are read too).
    static QByteArray toXml(const QVariantMap& map);
    static std::optional<QVariantMap> fromXml(const QByteArray& bytes);
    // A value as it reads back from the file (dates cut to whole seconds; kinds a property list
    // cannot hold dropped). Invalid when nothing of it can be stored.
    static QVariant storable(const QVariant& value);
    // Same kind and same value (NaN equals NaN), through arrays and dictionaries.
    static bool sameValue(const QVariant& a, const QVariant& b);

private:
    struct ObserverTable {
        std::mutex mutex;
        std::map<ObserverId, std::pair<QString, std::function<void()>>> entries;
        ObserverId nextId = 1;
    };

    void write(const QString& key, const std::optional<QVariant>& value);
    bool persistPending();  // writeMutex_ held
    void notify(const QStringList& keys);
    void watchFile();
    void keepUnreadableCopy() const;
    std::optional<QVariantMap> readDisk(bool* fileExists) const;

    QString path_;
    QString globalPath_;
    QString lockPath_;
    bool unreadableAtStart_ = false;

    std::mutex writeMutex_;       // one writer or reloader at a time in this process
    mutable std::mutex dataMutex_;  // guards the maps below
    QVariantMap values_;
    // Changes of this process not yet on disk (a failed write): applied again on every write and
    // kept over reloads. A none value is a removal.
    std::map<QString, std::optional<QVariant>> pending_;
    // Keys whose value in memory was last changed by this process's own writes.
    QSet<QString> writtenHere_;

    mutable QVariantMap global_;
    mutable QDateTime globalStamp_;
    mutable qint64 globalSize_ = -1;

    std::shared_ptr<ObserverTable> observers_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* reloadTimer_ = nullptr;
};
