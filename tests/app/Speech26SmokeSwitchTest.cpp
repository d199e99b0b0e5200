// The newer engine's self-check switch of the real bundle: its lines and exit statuses. This
// system has no newer engine, so a readable recording ends in the skip line.
#include "core/RecordingFormat.h"
#include "QuendleProcess.h"
#include "platform/Files.h"
#include "recognition/LocalRecognizer.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Outcome {
    int status = -1;
    QString out;
};

Outcome runSelfCheck(const QStringList& arguments, const QString& home) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.remove(QStringLiteral("DISPLAY"));  // no display needed: nothing of the tray application starts
    process.setProcessEnvironment(env);
    process.start(bundleExecutable(), arguments);
    if (!process.waitForFinished(30000)) return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput())};
}

TEST(Speech26SmokeSwitchTest, UsageUnreadableRecordingsAndTheMissingEngine) {
    ASSERT_TRUE(QFile::exists(bundleExecutable()));
    QTemporaryDir home;
    const QString headerOnly = home.path() + QStringLiteral("/header.wav");
    const QString speech = home.path() + QStringLiteral("/take.wav");
    ASSERT_TRUE(Files::writeAtomically(headerOnly, RecordingFormat::makeWAV({})));
    ASSERT_TRUE(Files::writeAtomically(speech, RecordingFormat::makeWAV(QByteArray(3200, '\0'))));
    const QString missing = home.path() + QStringLiteral("/none.wav");

    struct Case {
        QStringList arguments;
        int status;
        QString out;
    };
    const QString skip = QStringLiteral("[SKIP] このシステムには新エンジンがありません（新エンジン非対応）\n");
    const std::vector<Case> cases = {
        {{"--speech26-smoke"}, 1, "使い方: --speech26-smoke <wav> [localeID（既定 ja-JP）]\n"},
        {{"--speech26-smoke", missing}, 1, "[FAIL] wav を読めません: " + missing + "\n"},
        {{"--speech26-smoke", headerOnly, "en-US"}, 1, "[FAIL] wav を読めません: " + headerOnly + "\n"},
        {{"-x", "--speech26-smoke", speech, "-v"}, 0, skip},
    };
    for (const Case& c : cases) {
        const Outcome run = runSelfCheck(c.arguments, home.path());
        EXPECT_EQ(run.status, c.status) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(run.out, c.out) << c.arguments.join(' ').toStdString();
    }
}

}  // namespace
