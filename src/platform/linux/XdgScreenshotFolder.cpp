#include "platform/linux/XdgScreenshotFolder.h"

#include "platform/Files.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString configHome() {
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    return configured.startsWith(QLatin1Char('/')) ? configured : Files::home() + QStringLiteral("/.config");
}

QString userDirOr(const QByteArray& key, const QString& fallbackName) {
    const QString home = Files::home();
    const QString dir = XdgScreenshotFolder::userDir(Files::read(configHome() + QStringLiteral("/user-dirs.dirs")), key, home);
    return dir.isEmpty() ? home + QLatin1Char('/') + fallbackName : dir;
}

QString withoutTrailingSlashes(QString path) {
    while (path.size() >= 2 && path.endsWith(QLatin1Char('/'))) path.chop(1);
    return path;
}

bool isDirectory(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

QString XdgScreenshotFolder::userDir(const QByteArray& userDirsText, const QByteArray& key, const QString& home) {
    QString found;
    for (QByteArray line : userDirsText.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#') || !line.startsWith(key + '=')) continue;
        QByteArray value = line.mid(key.size() + 1).trimmed();
        if (value.size() < 2 || !value.startsWith('"') || !value.endsWith('"')) continue;
        value = value.mid(1, value.size() - 2);
        // Shell quoting: a backslash takes the next character literally.
        QByteArray unescaped;
        for (int i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) ++i;
            unescaped += value[i];
        }
        QString path = QString::fromUtf8(unescaped);
        if (path.startsWith(QLatin1String("$HOME")) && (path.size() == 5 || path[5] == QLatin1Char('/')))
            path = home + path.mid(5);
        else if (!path.startsWith(QLatin1Char('/')))
            continue;  // the file allows only $HOME-relative and absolute paths
        found = withoutTrailingSlashes(path);  // the last setting wins, as in the shell
    }
    return found;
}

QStringList XdgScreenshotFolder::candidates() {
    const QString pictures = userDirOr("XDG_PICTURES_DIR", QStringLiteral("Pictures"));
    return {pictures + QStringLiteral("/Screenshots"), pictures + QStringLiteral("/スクリーンショット"), pictures,
            userDirOr("XDG_DESKTOP_DIR", QStringLiteral("Desktop"))};
}

QString XdgScreenshotFolder::saveFolder() const {
    const QStringList folders = candidates();
    for (const QString& folder : folders)
        if (isDirectory(folder)) return folder;
    return folders.last();
}

QString XdgScreenshotFolder::desktopFolder() const { return candidates().last(); }

bool XdgScreenshotFolder::looksLikeScreenCapture(const QString& fileName) {
    return fileName.startsWith(QLatin1String("screenshot"), Qt::CaseInsensitive) ||
           fileName.startsWith(QStringLiteral("スクリーンショット"));
}

FolderListing XdgScreenshotFolder::list(const QString& folder) const {
    FolderListing listing;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) {
        const int error = errno;
        listing.error = (error == ENOENT || error == ENOTDIR) ? FolderListing::Error::Missing
                        : (error == EACCES || error == EPERM) ? FolderListing::Error::AccessDenied
                                                              : FolderListing::Error::Other;
        // The log line that carries it is Japanese; the C library's text is not.
        listing.message = listing.error == FolderListing::Error::Missing        ? QStringLiteral("フォルダがありません")
                          : listing.error == FolderListing::Error::AccessDenied ? QStringLiteral("読む権限がありません")
                                                                                : QStringLiteral("読めません（errno ") +
                                                                                      QString::number(error) + QStringLiteral("）");
        return listing;
    }
    const int fd = ::dirfd(dir);
    const QString prefix = withoutTrailingSlashes(folder) == QLatin1String("/") ? QStringLiteral("/")
                                                                                  : withoutTrailingSlashes(folder) + QLatin1Char('/');
    while (dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') continue;  // hidden files, "." and ".."
        FolderEntry item;
        item.name = QFile::decodeName(entry->d_name);
        item.path = prefix + item.name;
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
            item.isRegularFile = S_ISREG(st.st_mode);
            item.modified = qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
        }
        item.isScreenCapture = looksLikeScreenCapture(item.name);
        listing.entries.append(std::move(item));
    }
    ::closedir(dir);
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return listing;
}

std::optional<QByteArray> XdgScreenshotFolder::readFile(const QString& path, qint64 maxBytes) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxBytes) return std::nullopt;
    QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > maxBytes) return std::nullopt;
    return bytes;
}
