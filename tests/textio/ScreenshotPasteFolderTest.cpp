// The XDG screenshot folder on a real (temporary) home: which folder, what a listing holds, and
// how user-dirs.dirs is read.
#include "platform/Files.h"
#include "platform/linux/XdgScreenshotFolder.h"

#include "TestHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class ScreenshotPasteFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousConfig_ = qgetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_CONFIG_HOME");
    }
    void TearDown() override {
        if (previousConfig_.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", previousConfig_);
    }
    void mkdir(const QString& relative) { ASSERT_TRUE(QDir().mkpath(home.file(relative))); }
    void write(const QString& relative, const QByteArray& bytes, qint64 mtime = 0) {
        ASSERT_TRUE(Files::writeAtomically(home.file(relative), bytes));
        if (mtime) {
            const struct timespec times[2] = {{mtime, 5}, {mtime, 5}};
            ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(home.file(relative)).constData(), times, 0), 0);
        }
    }

    TestHome home;
    XdgScreenshotFolder folder;
    QByteArray previousConfig_;
};

TEST_F(ScreenshotPasteFolderTest, TheFirstFolderThatExistsIsTheSaveFolder) {
    EXPECT_EQ(folder.saveFolder(), home.file(QStringLiteral("Desktop")));  // none exists
    EXPECT_EQ(folder.desktopFolder(), home.file(QStringLiteral("Desktop")));
    mkdir(QStringLiteral("Desktop"));
    EXPECT_EQ(folder.saveFolder(), home.file(QStringLiteral("Desktop")));
    mkdir(QStringLiteral("Pictures"));
    EXPECT_EQ(folder.saveFolder(), home.file(QStringLiteral("Pictures")));
    mkdir(QStringLiteral("Pictures/スクリーンショット"));
    EXPECT_EQ(folder.saveFolder(), home.file(QStringLiteral("Pictures/スクリーンショット")));
    mkdir(QStringLiteral("Pictures/Screenshots"));
    EXPECT_EQ(folder.saveFolder(), home.file(QStringLiteral("Pictures/Screenshots")));

    // The user's own Pictures and Desktop folders from user-dirs.dirs.
    mkdir(QStringLiteral(".config"));
    write(QStringLiteral(".config/user-dirs.dirs"),
          "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\nXDG_PICTURES_DIR=\"$HOME/ピクチャ/\"\n");
    EXPECT_EQ(folder.desktopFolder(), home.file(QStringLiteral("デスクトップ")));
    EXPECT_EQ(folder.saveFolder(), home.file(QStringLiteral("デスクトップ")));
    mkdir(QStringLiteral("ピクチャ/Screenshots"));
    EXPECT_EQ(folder.saveFolder(), home.file(QStringLiteral("ピクチャ/Screenshots")));
}

TEST_F(ScreenshotPasteFolderTest, UserDirsLinesAreReadAsTheShellWould) {
    const QString h = QStringLiteral("/home/u");
    EXPECT_EQ(XdgScreenshotFolder::userDir("XDG_PICTURES_DIR=\"$HOME/Bilder\"\n", "XDG_PICTURES_DIR", h),
              QStringLiteral("/home/u/Bilder"));
    EXPECT_EQ(XdgScreenshotFolder::userDir("XDG_PICTURES_DIR=\"/srv/pics\"", "XDG_PICTURES_DIR", h),
              QStringLiteral("/srv/pics"));
    EXPECT_EQ(XdgScreenshotFolder::userDir("XDG_PICTURES_DIR=\"$HOME/My \\\"Pics\\\"\"", "XDG_PICTURES_DIR", h),
              QStringLiteral("/home/u/My \"Pics\""));
    EXPECT_EQ(XdgScreenshotFolder::userDir("XDG_PICTURES_DIR=\"$HOME\"", "XDG_PICTURES_DIR", h), h);
    // Commented out, another key, relative, unquoted or a look-alike key: not set.
    EXPECT_EQ(XdgScreenshotFolder::userDir("#XDG_PICTURES_DIR=\"/a\"\nXDG_PICTURES_DIR_X=\"/b\"\n"
                                           "XDG_PICTURES_DIR=\"Pictures\"\nXDG_PICTURES_DIR=/c\n",
                                           "XDG_PICTURES_DIR", h),
              QString());
    EXPECT_EQ(XdgScreenshotFolder::userDir("XDG_PICTURES_DIR=\"/a\"\nXDG_PICTURES_DIR=\"/b\"\n", "XDG_PICTURES_DIR", h),
              QStringLiteral("/b"));
}

TEST_F(ScreenshotPasteFolderTest, AListingSkipsHiddenEntriesAndTellsFilesFromOthers) {
    mkdir(QStringLiteral("Pictures/Screenshots/sub.png"));
    write(QStringLiteral("Pictures/Screenshots/Screenshot from 2026-01-02.png"), "a", 1'700'000'000);
    write(QStringLiteral("Pictures/Screenshots/スクリーンショット 1.PNG"), "b", 1'700'000'100);
    write(QStringLiteral("Pictures/Screenshots/photo.jpg"), "c", 1'700'000'200);
    write(QStringLiteral("Pictures/Screenshots/.hidden.png"), "d");
    ASSERT_EQ(::symlink("photo.jpg", QFile::encodeName(home.file(QStringLiteral("Pictures/Screenshots/link.png"))).constData()), 0);

    const FolderListing listing = folder.list(home.file(QStringLiteral("Pictures/Screenshots/")));
    ASSERT_EQ(listing.error, FolderListing::Error::None);
    QStringList names;
    for (const FolderEntry& e : listing.entries) names.append(e.name);
    EXPECT_EQ(names, (QStringList{QStringLiteral("Screenshot from 2026-01-02.png"), QStringLiteral("link.png"),
                                  QStringLiteral("photo.jpg"), QStringLiteral("sub.png"),
                                  QStringLiteral("スクリーンショット 1.PNG")}));
    const FolderEntry& first = listing.entries[0];
    EXPECT_EQ(first.path, home.file(QStringLiteral("Pictures/Screenshots/Screenshot from 2026-01-02.png")));
    EXPECT_TRUE(first.isRegularFile);
    EXPECT_TRUE(first.isScreenCapture);
    EXPECT_EQ(first.modified, 1'700'000'000LL * 1'000'000'000 + 5);
    EXPECT_FALSE(listing.entries[1].isRegularFile);  // a link is not followed
    EXPECT_FALSE(listing.entries[2].isScreenCapture);
    EXPECT_FALSE(listing.entries[3].isRegularFile);
    EXPECT_TRUE(listing.entries[4].isScreenCapture);

    const FolderListing missing = folder.list(home.file(QStringLiteral("nowhere")));
    EXPECT_EQ(missing.error, FolderListing::Error::Missing);
    EXPECT_EQ(missing.message, QStringLiteral("フォルダがありません"));
    EXPECT_EQ(folder.list(home.file(QStringLiteral("Pictures/Screenshots/photo.jpg"))).error,
              FolderListing::Error::Missing);  // a file where the folder should be
}

TEST_F(ScreenshotPasteFolderTest, AFolderWeMayNotReadSaysSo) {
    if (::geteuid() == 0) GTEST_SKIP() << "file permissions do not bind root";
    mkdir(QStringLiteral("Locked"));
    ASSERT_EQ(::chmod(QFile::encodeName(home.file(QStringLiteral("Locked"))).constData(), 0), 0);
    EXPECT_EQ(folder.list(home.file(QStringLiteral("Locked"))).error, FolderListing::Error::AccessDenied);
    ::chmod(QFile::encodeName(home.file(QStringLiteral("Locked"))).constData(), 0700);
}

TEST_F(ScreenshotPasteFolderTest, FilesAreReadWholeUpToTheLimit) {
    write(QStringLiteral("a.png"), QByteArray(1000, 'x'));
    EXPECT_EQ(folder.readFile(home.file(QStringLiteral("a.png")), 1000), QByteArray(1000, 'x'));
    EXPECT_EQ(folder.readFile(home.file(QStringLiteral("a.png")), 999), std::nullopt);
    EXPECT_EQ(folder.readFile(home.file(QStringLiteral("none.png")), 1000), std::nullopt);
}

}  // namespace
