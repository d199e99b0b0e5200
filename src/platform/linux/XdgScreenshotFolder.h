#pragma once

#include "platform/ScreenshotFolder.h"

#include <QStringList>

// Screenshot folders of the Linux desktops. There is no one setting for it, so we look, in order,
// for the folder GNOME's screenshot tools save in (the Pictures folder's "Screenshots", or its
// Japanese name), then the Pictures folder itself (most other tools), then the Desktop; the first
// that exists is the save folder, and the Desktop when none does. Pictures and Desktop are the
// XDG user directories of ~/.config/user-dirs.dirs (~/Pictures and ~/Desktop when unset).
// A screen capture is told by its file name ("Screenshot…" in any letter case, or
// "スクリーンショット…"), which is how the desktops' tools name them.
class XdgScreenshotFolder final : public ScreenshotFolder {
public:
    QString saveFolder() const override;
    QString desktopFolder() const override;
    FolderListing list(const QString& folder) const override;
    std::optional<QByteArray> readFile(const QString& path, qint64 maxBytes) const override;

    // The folders looked at, in order (the Desktop last).
    static QStringList candidates();
    // One XDG user directory (key such as "XDG_PICTURES_DIR") from the text of user-dirs.dirs;
    // empty when the text does not set it. "$HOME" at the start stands for `home`.
    static QString userDir(const QByteArray& userDirsText, const QByteArray& key, const QString& home);
    static bool looksLikeScreenCapture(const QString& fileName);
};
