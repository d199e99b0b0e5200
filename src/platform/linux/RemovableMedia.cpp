#include "platform/linux/RemovableMedia.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace RemovableMedia {

void detachWhenGone(const QString& root) {
    // This process holds a lock until it ends (the kernel lets go of it then); flock(1) waits for
    // that lock and only then runs the unmount. The descriptor is closed on exec, so no program we
    // start holds the lock for us.
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || !QDir(runtime).exists()) runtime = QDir::tempPath();
    const QString lock = runtime + QStringLiteral("/quendle-detach-%1.lock").arg(::getpid());
    const int fd = ::open(QFile::encodeName(lock).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (fd >= 0) ::close(fd);
        return;
    }
    // Kept open on purpose for the rest of the process's life. flock(1) removes nothing; the lock
    // file is left in the runtime folder.
    QProcess::startDetached(QStringLiteral("flock"),
                            {lock, QStringLiteral("gio"), QStringLiteral("mount"), QStringLiteral("-u"), root},
                            QStringLiteral("/"));
}

}  // namespace RemovableMedia
