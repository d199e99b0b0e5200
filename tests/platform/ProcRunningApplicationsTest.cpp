// Running copies read from a /proc-like tree: which processes count as copies of the bundle, in
// which order, which have ended; and the launch lock on the real file system.
#include "platform/linux/ProcRunningApplications.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

class ProcRunningApplicationsTest : public ::testing::Test {
protected:
    ProcRunningApplicationsTest() : home(root.path() + QStringLiteral("/home")), proc(root.path() + QStringLiteral("/proc")) {
        QDir().mkpath(home);
        QDir().mkpath(proc);
    }

    QString makeBundle(const QString& name, const QString& identifier) {
        const QString bundle = root.path() + QLatin1Char('/') + name;
        QDir().mkpath(bundle + QStringLiteral("/Contents/MacOS"));
        QFile info(bundle + QStringLiteral("/Contents/Info.plist"));
        EXPECT_TRUE(info.open(QIODevice::WriteOnly));
        info.write(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                                  "<key>CFBundleIdentifier</key><string>%1</string>"
                                  "<key>CFBundleShortVersionString</key><string>1.0</string></dict></plist>\n")
                       .arg(identifier)
                       .toUtf8());
        return bundle;
    }

    // A process entry: exe link (none when `exe` is empty), environment and stat line.
    void process(int pid, const QString& exe, const QString& processHome, quint64 started, char state = 'S') {
        const QString dir = proc + QLatin1Char('/') + QString::number(pid);
        QDir().mkpath(dir);
        if (!exe.isEmpty()) {
            ASSERT_EQ(::symlink(QFile::encodeName(exe).constData(), QFile::encodeName(dir + "/exe").constData()), 0);
        }
        QFile environ(dir + QStringLiteral("/environ"));
        ASSERT_TRUE(environ.open(QIODevice::WriteOnly));
        if (!processHome.isNull()) {
            QByteArray variables("LANG=C", 7);  // with its NUL
            variables += "HOME=" + QFile::encodeName(processHome);
            variables += QByteArray("\0PATH=/bin\0", 11);
            environ.write(variables);
        }
        QFile stat(dir + QStringLiteral("/stat"));
        ASSERT_TRUE(stat.open(QIODevice::WriteOnly));
        QByteArray line = QByteArray::number(pid) + " (Quen dle) x) " + state;
        for (int field = 4; field < 22; ++field) line += " 0";
        line += " " + QByteArray::number(started) + " 0 0\n";
        stat.write(line);
    }

    QList<qint64> pids(const ProcRunningApplications& apps, const QString& identifier = QStringLiteral("orvane")) {
        QList<qint64> out;
        for (const RunningCopy& copy : apps.copiesOf(identifier)) out << copy.pid;
        return out;
    }

    QTemporaryDir root;
    QString home;
    QString proc;
};

TEST(ProcRunningApplicationsBundle, BundleOfExecutable) {
    EXPECT_EQ(ProcRunningApplications::bundleOfExecutable(QStringLiteral("/a/Quendle.app/Contents/MacOS/Quendle")),
              QStringLiteral("/a/Quendle.app"));
    EXPECT_EQ(ProcRunningApplications::bundleOfExecutable(QStringLiteral("/a/Q.app/Contents/MacOS/Quendle (deleted)")),
              QStringLiteral("/a/Q.app"));
    EXPECT_EQ(ProcRunningApplications::bundleOfExecutable(QStringLiteral("/x.app/y.app/Contents/MacOS/Quendle")),
              QStringLiteral("/x.app/y.app"));
    EXPECT_TRUE(ProcRunningApplications::bundleOfExecutable(QStringLiteral("/usr/bin/Quendle")).isEmpty());
    EXPECT_TRUE(ProcRunningApplications::bundleOfExecutable(QStringLiteral("/a/Q.app/Contents/MacOS/")).isEmpty());
    EXPECT_TRUE(ProcRunningApplications::bundleOfExecutable(QStringLiteral("/a/Q.app/Contents/MacOS/sub/x")).isEmpty());
    EXPECT_TRUE(ProcRunningApplications::bundleOfExecutable(QStringLiteral("/a/Q.apps/Contents/MacOS/x")).isEmpty());
}

TEST_F(ProcRunningApplicationsTest, CopiesAreProcessesOfThisHomeRunningABundleWithTheIdentifier) {
    const QString ours = makeBundle(QStringLiteral("Quendle.app"), QStringLiteral("orvane"));
    const QString moved = makeBundle(QStringLiteral("Old/Quendle.app"), QStringLiteral("orvane"));
    const QString foreign = makeBundle(QStringLiteral("Other.app"), QStringLiteral("someone.else"));
    const QString exe = QStringLiteral("/Contents/MacOS/Quendle");
    process(300, ours + exe, home, 900);
    process(200, moved + exe + QStringLiteral(" (deleted)"), home, 500);  // replaced on disk, still running
    process(250, ours + exe, home, 900);                                    // same start: lower pid first
    process(400, foreign + exe, home, 100);                                 // another application
    process(500, ours + exe, root.path() + QStringLiteral("/elsewhere"), 100);  // another home
    process(600, QString(), home, 100, 'Z');                                // a zombie has no exe
    process(700, QStringLiteral("/usr/bin/bash"), home, 100);
    QDir().mkpath(proc + QStringLiteral("/self"));
    QDir().mkpath(proc + QStringLiteral("/sys"));

    const ProcRunningApplications apps(proc, home + QStringLiteral("/"));
    EXPECT_EQ(pids(apps), (QList<qint64>{200, 250, 300}));  // oldest first
    const QList<RunningCopy> copies = apps.copiesOf(QStringLiteral("orvane"));
    ASSERT_EQ(copies.size(), 3);
    EXPECT_EQ(copies[0].bundlePath, moved);
    EXPECT_EQ(copies[1].bundlePath, ours);
    EXPECT_EQ(pids(apps, QStringLiteral("someone.else")), QList<qint64>{400});
    EXPECT_TRUE(pids(apps, QStringLiteral("nobody")).isEmpty());
}

TEST_F(ProcRunningApplicationsTest, EndedProcessesAreTerminated) {
    process(10, QString(), home, 1, 'S');
    process(11, QString(), home, 1, 'Z');
    process(12, QString(), home, 1, 'X');
    const ProcRunningApplications apps(proc, home);
    EXPECT_FALSE(apps.isTerminated(10));
    EXPECT_TRUE(apps.isTerminated(11));
    EXPECT_TRUE(apps.isTerminated(12));
    EXPECT_TRUE(apps.isTerminated(13));  // gone
    EXPECT_TRUE(apps.isTerminated(0));
}

TEST_F(ProcRunningApplicationsTest, TerminateEndsARealProcess) {
    QProcess child;
    child.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    ASSERT_TRUE(child.waitForStarted());
    ProcRunningApplications apps(QString(), home);
    EXPECT_FALSE(apps.isTerminated(child.processId()));
    EXPECT_TRUE(apps.terminate(child.processId()));
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);  // sleep has no SIGTERM handler
    EXPECT_FALSE(apps.terminate(0));
    EXPECT_FALSE(apps.forceTerminate(-1));
}

TEST_F(ProcRunningApplicationsTest, LaunchLockIsHeldUntilReleased) {
    ProcRunningApplications apps(QString(), home);
    const QString path = home + QStringLiteral("/Library/Application Support/Quendle/orvane.launch.lock");
    auto heldByOthers = [&] {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
        if (fd < 0) return false;
        const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        ::close(fd);
        return held;
    };
    {
        const std::unique_ptr<LaunchLock> lock = apps.acquireLaunchLock(QStringLiteral("orvane"));
        ASSERT_TRUE(lock);
        EXPECT_TRUE(QFile::exists(path));
        EXPECT_TRUE(heldByOthers());
    }
    EXPECT_FALSE(heldByOthers());

    // No writable folder: a lock that holds nothing, instead of a start that never ends.
    ProcRunningApplications homeless(QString(), QStringLiteral("/proc/no-such-home"));
    EXPECT_TRUE(homeless.acquireLaunchLock(QStringLiteral("orvane")) != nullptr);
}

}  // namespace
