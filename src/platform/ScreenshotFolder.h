#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <optional>

// One entry of a folder, as a listing found it.
struct FolderEntry {
    QString name;                   // the file name, without the folder
    QString path;                   // folder + "/" + name
    bool isRegularFile = false;     // false for folders, links, devices and the like
    std::optional<qint64> modified; // content modification time, ns since the epoch; absent when unreadable
    bool isScreenCapture = false;   // the desktop's screenshot tool made it
};

// The entries of one folder (hidden ones left out, subfolders not entered), ordered by name, or
// why the folder could not be listed.
struct FolderListing {
    enum class Error { None, Missing, AccessDenied, Other };
    Error error = Error::None;
    QString message;  // what went wrong, in Japanese (for the log), empty without an error
    QList<FolderEntry> entries;
};

// Where the desktop saves screenshots and what that folder holds.
class ScreenshotFolder {
public:
    virtual ~ScreenshotFolder() = default;
    // The folder screenshots are saved in (absolute, no trailing slash). Cheap; main thread.
    virtual QString saveFolder() const = 0;
    // The user's Desktop folder: the last place to look when the save folder has gone.
    virtual QString desktopFolder() const = 0;
    // Lists a folder. Any thread; may wait for the disk.
    virtual FolderListing list(const QString& folder) const = 0;
    // The whole file, or absent when it cannot be read or is larger than `maxBytes`. Any thread.
    virtual std::optional<QByteArray> readFile(const QString& path, qint64 maxBytes) const = 0;
};
