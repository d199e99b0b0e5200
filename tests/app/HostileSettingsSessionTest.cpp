// A damaged settings file never keeps the application from starting: the real bundle starts on
// each reproducer, says so in its log, and keeps the file for the user.
#include "QuendleProcess.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

TEST(HostileSettingsSession, TheApplicationStartsOnEveryDamagedSettingsFile) {
    QUENDLE_REQUIRE_SESSION();
    const QDir inputs(qEnvironmentVariable("QUENDLE_SOURCE_DIR") + QStringLiteral("/tests/data/hostile-inputs"));
    const QStringList files = inputs.entryList({"min_*", "nul_*", "deep_*"}, QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 9);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        QFile input(inputs.filePath(name));
        ASSERT_TRUE(input.open(QIODevice::ReadOnly));
        const QByteArray bytes = input.readAll();
        QuendleProcess quendle(bytes);
        EXPECT_TRUE(quendle.waitForLog(QStringLiteral("設定ファイルを読めないため既定の設定で始めます")));
        EXPECT_TRUE(quendle.waitForLog(QStringLiteral("起動")));
        EXPECT_TRUE(quendle.running());
        QFile kept(quendle.settingsPath() + QStringLiteral(".unreadable"));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), bytes);
    }
}
