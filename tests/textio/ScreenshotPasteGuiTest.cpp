// Screenshot paste against the target editor in the headless session: the real screenshot
// folder of a temporary home, Qt's image codecs, the X clipboard and XTest.
#include "../support/target/TargetApp.h"

#include "core/AppPrefs.h"
#include "platform/Clock.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/X11SyntheticKeys.h"
#include "platform/linux/X11Workspace.h"
#include "platform/linux/XdgScreenshotFolder.h"
#include "platform/linux/ui/QtImageCodec.h"
#include "platform/linux/ui/QtPasteboard.h"
#include "textio/ScreenshotPaste.h"
#include "textio/TextInserter.h"

#include "TestHome.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <cstdlib>

namespace {

// Our clipboard must be the X server's, not the offscreen platform's.
const bool forceXcb = [] {
    if (qgetenv("QUENDLE_HEADLESS_SESSION") == "1") setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
}();

bool spinUntil(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        TargetApp::spin(5);
    }
    return true;
}

// Counts the chords that went out.
class CountingKeys final : public SyntheticKeys {
public:
    bool postKey(quint16 keyId, quint64 flags) override {
        ++posted;
        return keys.postKey(keyId, flags);
    }
    X11SyntheticKeys keys;
    int posted = 0;
};

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

class ScreenshotPasteGuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qgetenv("QUENDLE_HEADLESS_SESSION") != "1") GTEST_SKIP() << "needs the headless session";
        previousConfig_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home->file(QStringLiteral(".config"))));
        MainQueue::install(&mainQueue);
        Clock::install(&clock);
        AppPrefs::setDefaults(&defaults);
        ASSERT_TRUE(QDir().mkpath(shots()));
        pasteboard = std::make_unique<QtPasteboard>();
        inserter = std::make_unique<TextInserter>(*pasteboard, keys, workspace, nullptr);
        paste = std::make_unique<ScreenshotPaste>(ScreenshotPaste::Services{
            *pasteboard, *inserter, folder, codec, [](int) { return false; }, {}});
    }
    void TearDown() override {
        paste.reset();
        inserter.reset();
        pasteboard.reset();
        AppPrefs::setDefaults(nullptr);
        if (!previousConfig_.isNull()) qputenv("XDG_CONFIG_HOME", previousConfig_);
    }
    QString shots() const { return home->file(QStringLiteral("Pictures/Screenshots")); }
    // Presses the shortcut and waits until the paste chord has gone out.
    bool pasteAndWaitForChord() {
        const int before = keys.posted;
        paste->pasteScreenshot();
        return spinUntil([&] { return keys.posted > before; }, 10000);
    }
    std::unique_ptr<TargetApp> focusedTarget() {
        auto target = std::make_unique<TargetApp>();
        EXPECT_TRUE(target->started()) << TargetApp::executable().toStdString();
        EXPECT_TRUE(target->focus("text"));
        EXPECT_TRUE(spinUntil([&] {
            auto app = workspace.frontmostApplication();
            return app && app->pid == target->pid();
        }, 3000));
        return target;
    }

    std::unique_ptr<TestHome> home = std::make_unique<TestHome>();
    QtMainQueue mainQueue;
    SystemClock clock;
    MemoryDefaults defaults;
    CountingKeys keys;
    X11Workspace workspace;
    XdgScreenshotFolder folder;
    QtImageCodec codec;
    std::unique_ptr<QtPasteboard> pasteboard;
    std::unique_ptr<TextInserter> inserter;
    std::unique_ptr<ScreenshotPaste> paste;
    QByteArray previousConfig_;
};

TEST_F(ScreenshotPasteGuiTest, TheTargetReadsTheNewestScreenshotAsPng) {
    defaults.set(QStringLiteral("keepInsertedTextOnClipboard"), true);  // the picture stays for us to look at
    QImage red(20, 10, QImage::Format_RGB32);
    red.fill(QColor(255, 0, 0));
    const QByteArray png = encoded(red, "PNG");
    QFile file(shots() + QStringLiteral("/Screenshot from 2026-03-01 10-00-00.png"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(png) == png.size());
    file.close();
    auto target = focusedTarget();

    ASSERT_TRUE(pasteAndWaitForChord());
    auto clip = target->clipboard();
    EXPECT_EQ(clip.value(QStringLiteral("image/png")), png);  // byte for byte
    EXPECT_EQ(clip.value(QStringLiteral("image-size")), QByteArray("20x10"));

    // A newer JPEG screenshot arrives as a PNG of the picture.
    QImage blue(8, 6, QImage::Format_RGB32);
    blue.fill(QColor(0, 0, 255));
    QFile jpeg(shots() + QStringLiteral("/Screenshot from 2026-03-01 10-00-05.jpg"));
    ASSERT_TRUE(jpeg.open(QIODevice::WriteOnly));
    jpeg.write(encoded(blue, "JPEG"));
    jpeg.setFileTime(QDateTime::currentDateTime().addSecs(10), QFileDevice::FileModificationTime);
    jpeg.close();
    ASSERT_TRUE(pasteAndWaitForChord());
    clip = target->clipboard();
    EXPECT_EQ(clip.value(QStringLiteral("image-size")), QByteArray("8x6"));
    EXPECT_TRUE(clip.value(QStringLiteral("image/png")).startsWith("\x89PNG"));
}

TEST_F(ScreenshotPasteGuiTest, TheUsersClipboardComesBackAfterThePaste) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::green);
    QFile file(shots() + QStringLiteral("/shot.png"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(encoded(image, "PNG"));
    file.close();
    auto target = focusedTarget();
    const quint64 before = pasteboard->changeCount();
    ASSERT_TRUE(target->command("clip-text " + TargetApp::b64(QStringLiteral("ユーザーの文字"))));
    spinUntil([&] { return pasteboard->changeCount() != before; }, 1000);

    ASSERT_TRUE(pasteAndWaitForChord());
    EXPECT_TRUE(spinUntil([&] {
        return QString::fromUtf8(target->clipboard().value(QStringLiteral("text/plain"))) == QStringLiteral("ユーザーの文字");
    }, 8000));
}

}  // namespace
