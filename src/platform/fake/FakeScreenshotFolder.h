#pragma once

#include "platform/ScreenshotFolder.h"

#include <QMap>
#include <mutex>

// Folders and files held in memory. A folder that was never added lists as missing; `errors`
// makes a folder fail with another error. Thread-safe, as listings run on a worker.
class FakeScreenshotFolder final : public ScreenshotFolder {
public:
    QString saveFolder() const override {
        std::lock_guard guard(mutex_);
        return save_;
    }
    QString desktopFolder() const override { return QStringLiteral("/home/user/Desktop"); }
    FolderListing list(const QString& folder) const override {
        std::lock_guard guard(mutex_);
        ++listings_;
        if (errors_.contains(folder)) return errors_.value(folder);
        FolderListing listing;
        if (!folders_.contains(folder)) {
            listing.error = FolderListing::Error::Missing;
            listing.message = QStringLiteral("フォルダがありません");
            return listing;
        }
        listing.entries = folders_.value(folder);
        return listing;
    }
    std::optional<QByteArray> readFile(const QString& path, qint64 maxBytes) const override {
        std::lock_guard guard(mutex_);
        if (!files_.contains(path) || files_.value(path).size() > maxBytes) return std::nullopt;
        return files_.value(path);
    }

    void setSaveFolder(const QString& folder) {
        std::lock_guard guard(mutex_);
        save_ = folder;
    }
    void addFolder(const QString& folder) {
        std::lock_guard guard(mutex_);
        folders_[folder];
    }
    // Adds a regular file (in name order, as a listing gives them) with its bytes.
    void addFile(const QString& folder, const QString& name, qint64 modified, const QByteArray& bytes = "img",
                 bool screenCapture = false) {
        FolderEntry entry;
        entry.name = name;
        entry.path = folder + QLatin1Char('/') + name;
        entry.isRegularFile = true;
        entry.modified = modified;
        entry.isScreenCapture = screenCapture;
        addEntry(folder, entry);
        std::lock_guard guard(mutex_);
        files_[entry.path] = bytes;
    }
    void addEntry(const QString& folder, const FolderEntry& entry) {
        std::lock_guard guard(mutex_);
        auto& entries = folders_[folder];
        auto at = entries.begin();
        while (at != entries.end() && at->name < entry.name) ++at;
        entries.insert(at, entry);
    }
    void failFolder(const QString& folder, FolderListing::Error error, const QString& message) {
        std::lock_guard guard(mutex_);
        FolderListing listing;
        listing.error = error;
        listing.message = message;
        errors_[folder] = listing;
    }
    int listings() const {
        std::lock_guard guard(mutex_);
        return listings_;
    }

private:
    mutable std::mutex mutex_;
    QString save_ = QStringLiteral("/home/user/Pictures/Screenshots");
    QMap<QString, QList<FolderEntry>> folders_;
    QMap<QString, QByteArray> files_;
    QMap<QString, FolderListing> errors_;
    mutable int listings_ = 0;
};
