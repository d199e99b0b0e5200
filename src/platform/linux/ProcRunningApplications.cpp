#include "platform/linux/ProcRunningApplications.h"

#include "platform/Files.h"
#include "platform/Defaults.h"
#include "platform/linux/PlistDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileLaunchLock final : public LaunchLock {
public:
    explicit FileLaunchLock(int fd) : fd_(fd) {}
    ~FileLaunchLock() override {
        if (fd_ >= 0) ::close(fd_);  // closing the descriptor releases the flock
    }

private:
    int fd_;
};

QByteArray readProcFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// The state letter of /proc/PID/stat: the field after the command name's closing bracket.
char processState(const QByteArray& stat) {
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || close + 2 >= stat.size()) return 0;
    return stat[close + 2];
}

// Field 22 of /proc/PID/stat: start time in clock ticks since boot.
quint64 startTime(const QByteArray& stat) {
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0) return 0;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    // fields[0] is field 3 (state); field 22 is fields[19].
    return fields.size() > 19 ? fields[19].toULongLong() : 0;
}

// $HOME of a process as it was started; the passwd entry's home when it had none.
QString homeOf(const QByteArray& environ) {
    for (const QByteArray& entry : environ.split('\0'))
        if (entry.startsWith("HOME=") && entry.size() > 5) return QString::fromLocal8Bit(entry.mid(5));
    if (const passwd* pw = ::getpwuid(::geteuid())) return QString::fromLocal8Bit(pw->pw_dir);
    return QString();
}

QString identifierOf(const QString& bundlePath) {
    QFile file(bundlePath + QStringLiteral("/Contents/Info.plist"));
    if (!file.open(QIODevice::ReadOnly)) return QString();
    const QVariant value =
        PlistDefaults::fromXml(file.readAll()).value_or(QVariantMap()).value(QStringLiteral("CFBundleIdentifier"));
    return Defaults::isString(value) ? value.toString() : QString();
}

QString normalised(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return QDir::cleanPath(canonical.isEmpty() ? path : canonical);
}

}  // namespace

ProcRunningApplications::ProcRunningApplications(const QString& procRoot, const QString& home)
    : procRoot_(procRoot.isEmpty() ? QStringLiteral("/proc") : procRoot),
      home_(normalised(home.isEmpty() ? Files::home() : home)) {}

QString ProcRunningApplications::bundleOfExecutable(const QString& executablePath) {
    QString path = executablePath;
    const QString deleted = QStringLiteral(" (deleted)");
    if (path.endsWith(deleted)) path.chop(deleted.size());
    const QString marker = QStringLiteral(".app/Contents/MacOS/");
    const qsizetype at = path.lastIndexOf(marker);
    if (at < 0) return QString();
    // The executable sits directly in MacOS/.
    if (path.indexOf(QLatin1Char('/'), at + marker.size()) >= 0 || at + marker.size() >= path.size()) return QString();
    return path.left(at + 4);
}

QList<RunningCopy> ProcRunningApplications::copiesOf(const QString& bundleIdentifier) const {
    struct Found {
        quint64 started;
        RunningCopy copy;
    };
    QList<Found> found;
    QHash<QString, QString> identifierOfBundle;  // one Info.plist read per bundle and scan
    const uid_t me = ::geteuid();
    const QStringList entries = QDir(procRoot_).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : entries) {
        bool numeric = false;
        const qint64 pid = name.toLongLong(&numeric);
        if (!numeric || pid <= 0) continue;
        const QString dir = procRoot_ + QLatin1Char('/') + name;
        struct stat info {};
        if (::stat(QFile::encodeName(dir).constData(), &info) != 0 || info.st_uid != me) continue;
        // A zombie's exe link is unreadable; a process that ended meanwhile is simply missing.
        char buffer[4096];
        const ssize_t n = ::readlink(QFile::encodeName(dir + QStringLiteral("/exe")).constData(), buffer, sizeof buffer);
        if (n <= 0 || n >= static_cast<ssize_t>(sizeof buffer)) continue;
        const QString target = QFile::decodeName(QByteArray(buffer, static_cast<qsizetype>(n)));
        const QString bundle = bundleOfExecutable(target);
        if (bundle.isEmpty()) continue;
        auto known = identifierOfBundle.find(bundle);
        if (known == identifierOfBundle.end())
            known = identifierOfBundle.insert(bundle, identifierOf(bundle));
        if (known.value() != bundleIdentifier) continue;
        if (normalised(homeOf(readProcFile(dir + QStringLiteral("/environ")))) != home_) continue;
        const QByteArray stat = readProcFile(dir + QStringLiteral("/stat"));
        found.append(Found{startTime(stat), RunningCopy{pid, bundle}});
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.started != b.started ? a.started < b.started : a.copy.pid < b.copy.pid;
    });
    QList<RunningCopy> copies;
    for (const Found& f : found) copies.append(f.copy);
    return copies;
}

bool ProcRunningApplications::terminate(qint64 pid) {
    return pid > 0 && ::kill(static_cast<pid_t>(pid), SIGTERM) == 0;
}

bool ProcRunningApplications::forceTerminate(qint64 pid) {
    return pid > 0 && ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

bool ProcRunningApplications::isTerminated(qint64 pid) const {
    if (pid <= 0) return true;
    const QByteArray stat = readProcFile(procRoot_ + QLatin1Char('/') + QString::number(pid) + QStringLiteral("/stat"));
    if (stat.isEmpty()) return true;
    const char state = processState(stat);
    return state == 'Z' || state == 'X' || state == 'x';
}

bool ProcRunningApplications::moveToTrash(const QString& path) { return QFile::moveToTrash(path); }

std::unique_ptr<LaunchLock> ProcRunningApplications::acquireLaunchLock(const QString& bundleIdentifier) {
    const QString dir = home_ + QStringLiteral("/Library/Application Support/Quendle");
    Files::makeDirectories(dir);
    const QString path = dir + QLatin1Char('/') + bundleIdentifier + QStringLiteral(".launch.lock");
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return std::make_unique<FileLaunchLock>(-1);
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd);
            return std::make_unique<FileLaunchLock>(-1);
        }
    }
    return std::make_unique<FileLaunchLock>(fd);
}
