#include "core/AppLog.h"
#include "platform/fake/FakeMainQueue.h"

#include "StoreHelperPath.h"
#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

QByteArray logBytes() {
    QFile f(AppLog::fileURL());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// ---- entry format

TEST(AppLogFormatTest, BracketedUtcStampWholeSecondsThenTheMessage) {
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1'796'593'148'750, QTimeZone::utc());
    EXPECT_EQ(AppLog::formatEntry(when, QStringLiteral("起動")), QByteArray("[2026-12-06T21:39:08Z] 起動\n"));
    // A local time is written in UTC.
    const QDateTime tokyo = when.toTimeZone(QTimeZone(9 * 3600));
    EXPECT_EQ(AppLog::formatEntry(tokyo, QStringLiteral("x")), QByteArray("[2026-12-06T21:39:08Z] x\n"));
    EXPECT_EQ(AppLog::formatEntry(when, QString()), QByteArray("[2026-12-06T21:39:08Z] \n"));
    EXPECT_EQ(AppLog::formatEntry(when, QStringLiteral("a\nb\n")), QByteArray("[2026-12-06T21:39:08Z] a\nb\n\n"));
    // Early in the year and the day: every field keeps its leading zeros.
    const QDateTime early = QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5), QTimeZone::utc());
    EXPECT_EQ(AppLog::formatEntry(early, QStringLiteral("HUD位置: top")),
              QByteArray("[2027-01-02T03:04:05Z] HUD位置: top\n"));
}

// ---- the file

class AppLogTest : public ::testing::Test {
protected:
    TestHome home;
    FakeMainQueue queue{1'796'593'148.25};
};

TEST_F(AppLogTest, FirstEntryCreatesTheFileAndLaterOnesAppend) {
    EXPECT_EQ(AppLog::fileURL(), home.file(QStringLiteral("Library/Logs/Orvane.log")));
    AppLog::write(QStringLiteral("起動"));
    EXPECT_EQ(logBytes(), QByteArray("[2026-12-06T21:39:08Z] 起動\n"));
    queue.advance(0.5);  // same second: same stamp, call order kept
    AppLog::write(QStringLiteral("文脈取得: 12文字"));
    queue.advance(1.0);
    AppLog::write(QString());
    EXPECT_EQ(logBytes(), QByteArray("[2026-12-06T21:39:08Z] 起動\n"
                                     "[2026-12-06T21:39:08Z] 文脈取得: 12文字\n"
                                     "[2026-12-06T21:39:09Z] \n"));
}

TEST_F(AppLogTest, AnExistingLogIsNeverReplaced) {
    ASSERT_TRUE(QDir().mkpath(home.file(QStringLiteral("Library/Logs"))));
    QFile old(AppLog::fileURL());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("[2020-01-01T00:00:00Z] earlier\nno final newline");
    old.close();
    AppLog::write(QStringLiteral("next"));
    EXPECT_EQ(logBytes(), QByteArray("[2020-01-01T00:00:00Z] earlier\nno final newline[2026-12-06T21:39:08Z] next\n"));
}

TEST_F(AppLogTest, FailuresAreSilent) {
    // The log's path is taken by a folder: nothing can be written, and nothing is thrown or shown.
    ASSERT_TRUE(QDir().mkpath(AppLog::fileURL()));
    AppLog::write(QStringLiteral("lost"));
    EXPECT_TRUE(QFileInfo(AppLog::fileURL()).isDir());
}

// ---- many writers

TEST(AppLogConcurrencyTest, EightThreadsInEachOfTwoProcessesLeaveEveryEntryWhole) {
    TestHome home;
    constexpr int kPerWriter = 1000;
    constexpr int kThreads = 8;
    const QString helper = storeHelperPath();
    ASSERT_TRUE(QFileInfo::exists(helper)) << "helper not built: " << helper.toStdString();
    // The helpers' Logs folder may not exist yet when they start: both sides must cope.
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const char* tag : {"process-a", "process-b"}) {
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->start(helper, {QStringLiteral("log"), QString::number(kPerWriter), QString::fromLatin1(tag),
                                         QString::number(kThreads)});
    }
    for (auto& process : processes) {
        ASSERT_TRUE(process->waitForFinished(60000));
        ASSERT_EQ(process->exitCode(), 0);
    }

    const QByteArray bytes = logBytes();
    ASSERT_TRUE(bytes.endsWith('\n'));
    const QList<QByteArray> lines = bytes.left(bytes.size() - 1).split('\n');
    EXPECT_EQ(lines.size(), 2 * kThreads * kPerWriter);

    const QRegularExpression entry(
        QStringLiteral("^\\[\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ\\] (.+) (\\d+)$"));
    QMap<QString, int> nextIndex;  // per writer: entries arrive complete, once, in order
    int malformed = 0;
    for (const QByteArray& line : lines) {
        const auto match = entry.match(QString::fromUtf8(line));
        if (!match.hasMatch()) {
            ++malformed;
            continue;
        }
        const QString writer = match.captured(1);
        const int index = match.captured(2).toInt();
        if (index != nextIndex.value(writer)) ++malformed;
        nextIndex[writer] = index + 1;
    }
    EXPECT_EQ(malformed, 0);
    EXPECT_EQ(nextIndex.size(), 2 * kThreads);
    for (auto it = nextIndex.begin(); it != nextIndex.end(); ++it) EXPECT_EQ(it.value(), kPerWriter) << it.key().toStdString();
}

}  // namespace
