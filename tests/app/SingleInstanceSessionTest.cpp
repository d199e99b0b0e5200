// One copy per user with the real bundle: a second start of the same version gives way, a start
// with --takeover ends the running copy and stays, and a copy ends cleanly on SIGTERM.
#include "QuendleProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

bool waitUntil(const std::function<bool()>& condition, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Another start of the bundle in the same home folder as `first`.
void startAnother(QProcess& process, const QuendleProcess& first, const QStringList& arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), first.home());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), first.home() + QStringLiteral("/.config"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedOutputChannel);  // stderr is read by the test
    process.start(bundleExecutable(), arguments);
}

const QVariantMap kSettings{{"launchAtLogin", false}, {"correctionBar", false}, {"qualityLevel", "low"}};

}  // namespace

TEST(SingleInstanceSession, SecondCopyGivesWayAndTakeoverReplacesTheRunningOne) {
    QUENDLE_REQUIRE_SESSION();
    ASSERT_TRUE(QFile::exists(bundleExecutable()));

    QuendleProcess first(kSettings);
    ASSERT_TRUE(first.waitForLog(QStringLiteral("起動")));
    const qint64 firstPid = first.pid();

    QProcess second;
    startAnother(second, first, {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_GE(first.indexOf(QStringLiteral("すでに起動しているので、この2つ目は起動しない")), 0);
    // The terminal that started it hears why it ended at once.
    EXPECT_TRUE(QString::fromUtf8(second.readAllStandardError())
                    .contains(QStringLiteral("Quendle はすでに動いています。トレイのアイコンから使えます")));
    EXPECT_TRUE(processAlive(firstPid));

    QProcess replacement;
    startAnother(replacement, first, {QStringLiteral("--takeover")});
    ASSERT_TRUE(first.waitForLog(QStringLiteral("入れ替え起動: 古いインスタンスを終わらせた"), 20000));
    EXPECT_TRUE(waitUntil([&] { return !processAlive(firstPid); }, 5000));
    // The new copy goes on to its normal start and stays.
    auto starts = [&] { return first.log().count(QStringLiteral("起動")); };
    EXPECT_TRUE(waitUntil([&] { return starts() == 2; }, 15000)) << starts();
    EXPECT_EQ(replacement.state(), QProcess::Running);
    // Once its tray icon is in place it tells the terminal, with the log's place.
    QString told;
    EXPECT_TRUE(waitUntil(
        [&] {
            told += QString::fromUtf8(replacement.readAllStandardError());
            return told.contains(QStringLiteral("Quendle は")) &&
                   told.contains(QStringLiteral("（ログ: ") + first.home() + QStringLiteral("/Library/Logs/Orvane.log）"));
        },
        15000))
        << told.toStdString();
    EXPECT_TRUE(processAlive(replacement.processId()));

    // SIGTERM ends it through its event loop: a normal exit with status 0.
    replacement.terminate();
    ASSERT_TRUE(replacement.waitForFinished(10000));
    EXPECT_EQ(replacement.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(replacement.exitCode(), 0);

    // Every entry of the shared log is whole.
    QFile log(first.home() + QStringLiteral("/Library/Logs/Orvane.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    EXPECT_TRUE(text.endsWith('\n'));
    for (const QByteArray& line : text.split('\n')) {
        if (!line.isEmpty()) {
            EXPECT_TRUE(line.startsWith("[20")) << line.toStdString();
        }
    }
}

TEST(SingleInstanceSession, TwoCopiesStartedTogetherLeaveExactlyOneRunning) {
    QUENDLE_REQUIRE_SESSION();
    for (int round = 0; round < 3; ++round) {
        QuendleProcess first(kSettings);
        QProcess second;
        startAnother(second, first, {});
        const QString gaveWay = QStringLiteral("すでに起動しているので、この2つ目は起動しない");
        ASSERT_TRUE(first.waitForLog(gaveWay, 20000)) << round;
        // The one that stays goes on to its normal start.
        ASSERT_TRUE(first.waitForLog(QStringLiteral("起動"), 20000)) << round;
        auto firstLeft = [&] { return !processAlive(first.pid()); };
        auto secondLeft = [&] { return second.state() == QProcess::NotRunning; };
        ASSERT_TRUE(waitUntil([&] { return firstLeft() || secondLeft(); }, 10000)) << round;
        EXPECT_NE(firstLeft(), secondLeft()) << round;  // one gave way, the other runs
        EXPECT_EQ(first.log().count(gaveWay), 1) << round;
        EXPECT_EQ(first.log().count(QStringLiteral("起動")), 1) << round;
        if (secondLeft()) {
            EXPECT_EQ(second.exitStatus(), QProcess::NormalExit) << round;
            EXPECT_EQ(second.exitCode(), 0) << round;
        }
        second.terminate();
        second.waitForFinished(5000);
    }
}

TEST(SingleInstanceSession, ProbeInputMonitoringAnswersByExitStatus) {
    QUENDLE_REQUIRE_SESSION();
    QProcess probe;
    probe.setProcessChannelMode(QProcess::ForwardedChannels);
    probe.start(bundleExecutable(), {QStringLiteral("--smoke"), QStringLiteral("--probe-input-monitoring")});
    ASSERT_TRUE(probe.waitForFinished(10000));
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe.exitCode(), 0);  // Xvfb has XTEST and XInputExtension

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":999"));  // no such display
    probe.setProcessEnvironment(env);
    probe.start(bundleExecutable(), {QStringLiteral("--probe-input-monitoring")});
    ASSERT_TRUE(probe.waitForFinished(10000));
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe.exitCode(), 1);
}
