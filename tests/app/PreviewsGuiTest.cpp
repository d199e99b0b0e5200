// The developer previews with the real bundle: every picture written, at its size and with
// something drawn, the same pictures on every run; a folder that cannot be written named with
// status 1; nothing of the user's settings touched.
#include "QuendleProcess.h"
#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct PreviewRun {
    int status = -1;
    QString errors;
};

PreviewRun preview(const QString& which, const QString& folder, const QString& home) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("QUENDLE_SHOTS_DIR"), folder);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process.setProcessEnvironment(env);
    process.start(bundleExecutable(), {which});
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError())};
}

// Pixels that stand out from the dark backdrop (text, strokes, controls) between two rows.
int brightPixels(const QImage& image, int fromY, int toY, int above = 170) {
    int count = 0;
    for (int y = fromY; y < toY; ++y)
        for (int x = 0; x < image.width(); ++x) count += qGray(image.pixel(x, y)) > above;
    return count;
}

class PreviewsGui : public ::testing::Test {
protected:
    void SetUp() override {
        QUENDLE_REQUIRE_SESSION();
    }
    QString file(const QString& name) const { return QDir(shots.path()).filePath(name); }
    void expectNothingOfTheUserTouched() {
        EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("Library/Preferences/orvane.plist"))));
        for (const QString& line : home.logLines()) EXPECT_FALSE(line.startsWith(QStringLiteral("見張り開始")));
    }
    TestHome home;
    QTemporaryDir shots;
};

TEST_F(PreviewsGui, OnboardingPreviewWritesEveryScreenTheSameWayEachRun) {
    ASSERT_EQ(preview(QStringLiteral("--onboarding-preview"), shots.path(), home.path()).status, 0);
    QList<QByteArray> first;
    for (int i = 1; i <= 9; ++i) {
        SCOPED_TRACE(i);
        const QString name = QString::asprintf("%02d.png", i);
        const QImage image(file(name));
        ASSERT_EQ(image.size(), QSize(440, 720));
        // The heading and the screen's views in the screen area; the pill below it.
        EXPECT_GT(brightPixels(image, 34, 590), 400);
        EXPECT_GT(brightPixels(image, 618, 664, 80), 2000);  // dimmed while the screen is revealed
        QFile png(file(name));
        ASSERT_TRUE(png.open(QIODevice::ReadOnly));
        first << png.readAll();
    }
    ASSERT_EQ(preview(QStringLiteral("--onboarding-preview"), shots.path(), home.path()).status, 0);
    for (int i = 1; i <= 9; ++i) {
        QFile png(file(QString::asprintf("%02d.png", i)));
        ASSERT_TRUE(png.open(QIODevice::ReadOnly));
        EXPECT_EQ(png.readAll(), first[i - 1]) << "screen " << i << " differs between runs";
    }
    expectNothingOfTheUserTouched();
}

TEST_F(PreviewsGui, UsageGuidePreviewWritesItsFourScreens) {
    ASSERT_EQ(preview(QStringLiteral("--usage-guide-preview"), shots.path(), home.path()).status, 0);
    for (int i = 1; i <= 4; ++i) {
        SCOPED_TRACE(i);
        const QImage image(file(QString::asprintf("usage-%02d.png", i)));
        ASSERT_EQ(image.size(), QSize(440, 720));
        EXPECT_GT(brightPixels(image, 34, 590), 400);
    }
    // The practice screen in its finished state: the green success line is there.
    const QImage practice(file(QStringLiteral("usage-04.png")));
    int green = 0;
    for (int y = 0; y < practice.height(); ++y)
        for (int x = 0; x < practice.width(); ++x) green += practice.pixelColor(x, y) == QColor(110, 231, 183);
    EXPECT_GT(green, 20);
    expectNothingOfTheUserTouched();
}

TEST_F(PreviewsGui, SettingsAndPanelPreviewsWriteTheirPicturesAndTheProbeEnds) {
    ASSERT_EQ(preview(QStringLiteral("--settings-preview"), shots.path(), home.path()).status, 0);
    const QImage settings(file(QStringLiteral("settings-root.png")));
    EXPECT_EQ(settings.size(), QSize(430, 820));
    // The title "設定" in dark ink at the top of a light window.
    int titleInk = 0;
    for (int y = 40; y < 110; ++y)
        for (int x = 0; x < settings.width(); ++x) titleInk += qGray(settings.pixel(x, y)) < 90;
    EXPECT_GT(titleInk, 100);

    ASSERT_EQ(preview(QStringLiteral("--hud-preview"), shots.path(), home.path()).status, 0);
    for (const char* name : {"hud.png", "hud-session.png"}) {
        SCOPED_TRACE(name);
        const QImage hud(file(QString::fromLatin1(name)));
        ASSERT_FALSE(hud.isNull());
        EXPECT_GT(hud.width(), 200);
        EXPECT_GT(brightPixels(hud, 0, hud.height()), 100);  // the chips' titles
    }
    EXPECT_EQ(preview(QStringLiteral("--probe-swiftui"), shots.path(), home.path()).status, 0);
    expectNothingOfTheUserTouched();
}

TEST_F(PreviewsGui, AFolderThatCannotBeWrittenIsNamedAndTheRunFails) {
    QFile blocker(file(QStringLiteral("not-a-folder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString folder = file(QStringLiteral("not-a-folder/shots"));
    for (const char* which : {"--onboarding-preview", "--settings-preview", "--usage-guide-preview", "--hud-preview"}) {
        SCOPED_TRACE(which);
        const PreviewRun run = preview(QString::fromLatin1(which), folder, home.path());
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.errors.contains(folder + QStringLiteral("/")));
    }
    const PreviewRun run = preview(QStringLiteral("--onboarding-preview"), folder, home.path());
    for (int i = 1; i <= 9; ++i) EXPECT_TRUE(run.errors.contains(QString::asprintf("/%02d.png: ", i))) << i;
    EXPECT_TRUE(preview(QStringLiteral("--usage-guide-preview"), folder, home.path()).errors.contains(
        QStringLiteral("/usage-04.png: ")));
}

}  // namespace
