#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace Files {

QString home() {
    const QByteArray env = qgetenv("HOME");
    if (!env.isEmpty()) return QString::fromLocal8Bit(env);
    if (const passwd* pw = getpwuid(getuid())) return QString::fromLocal8Bit(pw->pw_dir);
    return QDir::homePath();
}

QString inHome(const QString& relative) { return home() + QLatin1Char('/') + relative; }

bool makeDirectories(const QString& path) { return QDir().mkpath(path); }

bool append(const QString& path, const QByteArray& bytes) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    qsizetype written = 0;
    bool ok = true;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        written += n;
    }
    ::close(fd);
    return ok;
}

bool writeAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QByteArray read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    QByteArray data = file.readAll();
    if (data.isNull()) data = QByteArray("");  // readable but empty
    return data;
}

bool exists(const QString& path) { return QFileInfo::exists(path); }

}  // namespace Files
