// Screenshot paste on fakes and virtual time: which file, the wait for the shortcut's keys, the
// picture on the clipboard and the clipboard coming back, terminals, and every failure's message.
#include "RecordingToasts.h"
#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/Toast.h"
#include "platform/Files.h"
#include "platform/fake/FakeImageCodec.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakeScreenshotFolder.h"
#include "platform/fake/FakeSyntheticKeys.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/MemoryDefaults.h"
#include "textio/ScreenshotPaste.h"
#include "textio/TextInserter.h"

#include "TestHome.h"

#include <gtest/gtest.h>

namespace {

using Chord = FakeSyntheticKeys::Chord;
const QString kShots = QStringLiteral("/home/user/Pictures/Screenshots");
const QString kDesktop = QStringLiteral("/home/user/Desktop");
const QString kPng = QStringLiteral("image/png");
constexpr qint64 kSecond = 1'000'000'000;


FolderEntry entry(const QString& name, std::optional<qint64> modified, bool regular = true, bool capture = false) {
    FolderEntry e;
    e.name = name;
    e.path = kShots + QLatin1Char('/') + name;
    e.isRegularFile = regular;
    e.modified = modified;
    e.isScreenCapture = capture;
    return e;
}

class ScreenshotPasteTest : public ::testing::Test {
protected:
    void SetUp() override {
        AppPrefs::setDefaults(&defaults);
        ToastPresenter::install(&toasts);
        workspace.frontmost = FakeWorkspace::app(QStringLiteral("gedit"));
        folder.addFolder(kShots);
        folder.addFolder(kDesktop);
        // The target fetches the clipboard when the paste chord arrives; we note what it got.
        keys.onPost = [this](const Chord& chord) {
            pasteboard.readByOtherProgram();
            pastedContents.append(pasteboard.contents());
            pasteTimes.append(queue.uptime() - start);
            (void)chord;
        };
    }
    void TearDown() override {
        ToastPresenter::install(nullptr);
        AppPrefs::setDefaults(nullptr);
    }

    QString log() const { return QString::fromUtf8(Files::read(AppLog::fileURL())); }
    // Presses the shortcut and lets the scan's outcome reach the main queue.
    void press() {
        start = queue.uptime();
        paste->pasteScreenshot();
        queue.runPending();
    }

    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
    RecordingToasts toasts;
    FakePasteboard pasteboard;
    FakeSyntheticKeys keys;
    FakeWorkspace workspace;
    TextInserter inserter{pasteboard, keys, workspace, nullptr};
    FakeScreenshotFolder folder;
    FakeImageCodec codec;
    QSet<int> held;
    std::unique_ptr<ScreenshotPaste> paste = std::make_unique<ScreenshotPaste>(ScreenshotPaste::Services{
        pasteboard, inserter, folder, codec, [this](int key) { return held.contains(key); },
        [](std::function<void()> work) { work(); }});
    QList<PasteboardContents> pastedContents;
    QList<double> pasteTimes;
    double start = 0;
};

// ---- which file

TEST(ScreenshotPasteChoice, ScreenCapturesWinAndOnlyRegularImagesWithADateCount) {
    FolderListing listing;
    listing.entries = {
        entry(QStringLiteral("Screenshot A.PNG"), 10 * kSecond, true, true),
        entry(QStringLiteral("Screenshot B.png"), 20 * kSecond, true, true),
        entry(QStringLiteral("holiday.jpg"), 90 * kSecond),                    // newer, but no capture
        entry(QStringLiteral("notes.txt"), 99 * kSecond, true, true),         // not an image
        entry(QStringLiteral("Screenshot C.tif"), 99 * kSecond, true, true),  // three-letter tif
        entry(QStringLiteral("Screenshot D.png"), 99 * kSecond, false, true), // a folder named .png
        entry(QStringLiteral("Screenshot E.png"), std::nullopt, true, true),  // unreadable
    };
    EXPECT_EQ(ScreenshotPaste::findNewestScreenshot(listing), kShots + QStringLiteral("/Screenshot B.png"));

    // Without any capture, the newest image of any of the six kinds; equal times keep the first.
    listing.entries = {entry(QStringLiteral("a.gif"), 5 * kSecond), entry(QStringLiteral("b.HEIC"), 7 * kSecond),
                       entry(QStringLiteral("c.jpeg"), 7 * kSecond), entry(QStringLiteral("d.tiff"), 6 * kSecond)};
    EXPECT_EQ(ScreenshotPaste::findNewestScreenshot(listing), kShots + QStringLiteral("/b.HEIC"));

    listing.entries = {entry(QStringLiteral("readme.md"), 5 * kSecond)};
    EXPECT_EQ(ScreenshotPaste::findNewestScreenshot(listing), std::nullopt);
}

TEST(ScreenshotPasteChoice, FolderDisplayNames) {
    EXPECT_EQ(ScreenshotPaste::folderDisplayName(QStringLiteral("/home/u/Desktop")), QStringLiteral("デスクトップ"));
    EXPECT_EQ(ScreenshotPaste::folderDisplayName(QStringLiteral("/home/u/Documents/")), QStringLiteral("書類"));
    EXPECT_EQ(ScreenshotPaste::folderDisplayName(QStringLiteral("/home/u/Downloads")), QStringLiteral("ダウンロード"));
    EXPECT_EQ(ScreenshotPaste::folderDisplayName(QStringLiteral("/home/u/desktop")), QStringLiteral("保存先フォルダ「desktop」"));
    EXPECT_EQ(ScreenshotPaste::folderDisplayName(QStringLiteral("/")), QStringLiteral("保存先フォルダ「/」"));
}

// ---- the picture on the clipboard

TEST_F(ScreenshotPasteTest, PngGoesOnTheClipboardByteForByteAndTheUsersClipboardReturnsAfterTheFetch) {
    folder.addFile(kShots, QStringLiteral("Screenshot 1.png"), 10 * kSecond, "img-one", true);
    pasteboard.setByOtherProgram(PasteboardContents{{{QStringLiteral("text/plain;charset=utf-8"), "mine"},
                                                     {QStringLiteral("text/html"), "<b>mine</b>"}}});
    const PasteboardContents before = pasteboard.contents();
    press();
    ASSERT_EQ(keys.chords, (QList<Chord>{{KeyIds::V, KeyFlags::Control}}));
    ASSERT_EQ(pastedContents.size(), 1);
    EXPECT_EQ(pastedContents[0], (PasteboardContents{{{kPng, "img-one"}}}));
    EXPECT_EQ(pasteTimes[0], 0.0);
    EXPECT_TRUE(log().contains(QStringLiteral("スクショ貼り付け(画像): ") + kShots + QStringLiteral("/Screenshot 1.png")));

    queue.advance(0.39);
    EXPECT_EQ(pasteboard.contents().data(kPng), QByteArray("img-one"));
    queue.advance(0.01);
    EXPECT_EQ(pasteboard.contents(), before);
    EXPECT_TRUE(toasts.shown.isEmpty());
}

TEST_F(ScreenshotPasteTest, OtherFormatsGoAsThePngOfTheDecodedPictureAndAnEmptyClipboardIsEmptiedAgain) {
    folder.addFile(kShots, QStringLiteral("shot.JPG"), 10 * kSecond, "img-jpeg");
    press();
    ASSERT_EQ(pastedContents.size(), 1);
    EXPECT_EQ(pastedContents[0], (PasteboardContents{{{kPng, "png:img-jpeg"}}}));
    queue.advance(0.4);
    EXPECT_TRUE(pasteboard.contents().isEmpty());
}

TEST_F(ScreenshotPasteTest, APictureThatDoesNotDecodeLeavesTheClipboardAlone) {
    folder.addFile(kShots, QStringLiteral("broken.png"), 10 * kSecond, "garbage");
    pasteboard.setTextByOtherProgram(QStringLiteral("mine"));
    const int writes = pasteboard.writeCount;
    press();
    EXPECT_TRUE(keys.chords.isEmpty());
    EXPECT_EQ(pasteboard.writeCount, writes);
    EXPECT_EQ(toasts.messages(), QStringList{QStringLiteral("スクリーンショットを画像として読めませんでした")});
    EXPECT_EQ(toasts.shown[0].seconds, 2.0);
    EXPECT_TRUE(log().contains(QStringLiteral("スクショ貼り付け: 画像として読めない（") + kShots + QStringLiteral("/broken.png）")));
}

TEST_F(ScreenshotPasteTest, WithKeepOnClipboardThePictureStays) {
    defaults.set(QStringLiteral("keepInsertedTextOnClipboard"), true);
    folder.addFile(kShots, QStringLiteral("a.png"), 10 * kSecond, "img-a");
    pasteboard.setTextByOtherProgram(QStringLiteral("mine"));
    press();
    queue.advance(5);
    EXPECT_EQ(pasteboard.contents(), (PasteboardContents{{{kPng, "img-a"}}}));
    EXPECT_EQ(pasteboard.snapshotCount, 0);
}

// The restore waits for the target and never overwrites what someone else put there.
TEST_F(ScreenshotPasteTest, RestoreWaitsForALateFetchAndKeepsANewerClipboard) {
    folder.addFile(kShots, QStringLiteral("a.png"), 10 * kSecond, "img-a");
    pasteboard.setTextByOtherProgram(QStringLiteral("mine"));
    keys.onPost = nullptr;  // the target reads late
    press();
    queue.advance(1.0);
    EXPECT_EQ(pasteboard.contents().data(kPng), QByteArray("img-a"));
    pasteboard.readByOtherProgram();
    queue.advance(0.05);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("mine"));

    // A target that never reads: the clipboard comes back at the wait's limit.
    pasteboard.setTextByOtherProgram(QStringLiteral("second"));
    press();
    queue.advance(2.99);
    EXPECT_TRUE(pasteboard.contents().data(kPng).has_value());
    queue.advance(0.02);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("second"));

    // The user copies something while the picture is out: that stays.
    keys.onPost = [this](const Chord&) { pasteboard.readByOtherProgram(); };
    press();
    pasteboard.setTextByOtherProgram(QStringLiteral("copied meanwhile"));
    queue.advance(1);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("copied meanwhile"));
    EXPECT_TRUE(log().contains(QStringLiteral("スクショ貼り付け: クリップボードが他で変わったので復元しない")));
}

TEST_F(ScreenshotPasteTest, TwoQuickPastesGiveBackTheUsersClipboardNotTheFirstPicture) {
    folder.addFile(kShots, QStringLiteral("a.png"), 10 * kSecond, "img-a");
    pasteboard.setTextByOtherProgram(QStringLiteral("mine"));
    press();
    queue.advance(0.2);
    press();
    EXPECT_EQ(keys.chords.size(), 2);
    queue.advance(0.39);
    EXPECT_TRUE(pasteboard.contents().data(kPng).has_value());  // the first pass's restore is gone
    queue.advance(0.01);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("mine"));
    EXPECT_EQ(pasteboard.snapshotCount, 1);
}

TEST_F(ScreenshotPasteTest, RefusedClaimsAreRetriedThenGivenUpWithAMessage) {
    folder.addFile(kShots, QStringLiteral("a.png"), 10 * kSecond, "img-a");
    pasteboard.refuseWrites = 2;
    press();
    queue.advance(0.04);
    ASSERT_EQ(keys.chords.size(), 1);
    EXPECT_EQ(pastedContents[0].data(kPng), QByteArray("img-a"));

    keys.chords.clear();
    pasteboard.refuseWrites = 100;
    press();
    queue.advance(1);
    EXPECT_TRUE(keys.chords.isEmpty());
    EXPECT_EQ(toasts.messages().last(), QStringLiteral("スクリーンショットを貼り付けられませんでした"));
}

// ---- the shortcut's keys

TEST_F(ScreenshotPasteTest, PastesAsSoonAsTheModifiersAreReleasedAndGivesUpAfterTwoSeconds) {
    folder.addFile(kShots, QStringLiteral("a.png"), 10 * kSecond, "img-a");
    held = {KeyCodes::LeftControl, KeyCodes::LeftOption, KeyCodes::LeftCommand, KeyCodes::LeftShift};
    press();
    queue.advance(0.99);
    EXPECT_TRUE(keys.chords.isEmpty());
    held = {KeyCodes::LeftShift};  // shift does not hold the paste back
    queue.advance(0.03);
    ASSERT_EQ(keys.chords.size(), 1);
    EXPECT_NEAR(pasteTimes[0], 1.0, 0.021);

    keys.chords.clear();
    held = {KeyCodes::Kana};
    press();
    queue.advance(1.99);
    EXPECT_TRUE(toasts.shown.isEmpty());
    queue.advance(0.03);
    EXPECT_TRUE(keys.chords.isEmpty());
    EXPECT_EQ(toasts.messages(), QStringList{QStringLiteral("キーを離してからもう一度押してください")});
    EXPECT_EQ(toasts.shown[0].seconds, 1.0);
    EXPECT_TRUE(log().contains(QStringLiteral("スクショ貼り付け: 2秒待っても修飾キーが離れず断念")));
    held.clear();
    queue.advance(1);
    EXPECT_TRUE(keys.chords.isEmpty());
}

// ---- terminals

// The typed path is one shell word: blanks, quotes, $() and backticks in a name stay text.
TEST_F(ScreenshotPasteTest, InATerminalThePathIsTypedShellQuotedWhenPicturesAreOffThere) {
    defaults.set(QStringLiteral("screenshotPasteImageInTerminal"), false);
    workspace.frontmost = FakeWorkspace::app(QStringLiteral("xfce4-terminal"));
    const QString name = QStringLiteral("Screenshot from $(touch x) `id` it's.png");
    folder.addFile(kShots, name, 10 * kSecond, "img-a");
    press();
    queue.advance(1);
    ASSERT_EQ(pastedContents.size(), 1);
    EXPECT_EQ(pastedContents[0].data(QStringLiteral("text/plain;charset=utf-8")),
              (QStringLiteral("'") + kShots + QStringLiteral("/Screenshot from $(touch x) `id` it'\\''s.png'")).toUtf8());
    EXPECT_EQ(keys.chords[0], (Chord{KeyIds::V, KeyFlags::Control | KeyFlags::Shift}));
}

TEST_F(ScreenshotPasteTest, AFileNameWithALineBreakIsNeverTypedIntoATerminal) {
    defaults.set(QStringLiteral("screenshotPasteImageInTerminal"), false);
    workspace.frontmost = FakeWorkspace::app(QStringLiteral("xterm"));
    folder.addFile(kShots, QStringLiteral("x\nrm -rf ~\n.png"), 10 * kSecond, "img-a");
    press();
    queue.advance(1);
    EXPECT_TRUE(keys.chords.isEmpty());
    EXPECT_EQ(toasts.messages(), QStringList{QStringLiteral("ファイル名に制御文字があるため、パスを入力できません")});
    EXPECT_FALSE(log().contains(QStringLiteral("rm -rf ~\n")));
}

TEST_F(ScreenshotPasteTest, InATerminalThePictureGoesWithControlVAndComesBackAfterTwoSeconds) {
    workspace.frontmost = FakeWorkspace::app(QStringLiteral("xterm"));
    folder.addFile(kShots, QStringLiteral("a.png"), 10 * kSecond, "img-a");
    pasteboard.setTextByOtherProgram(QStringLiteral("mine"));
    press();
    ASSERT_EQ(keys.chords, (QList<Chord>{{KeyIds::V, KeyFlags::Control}}));
    EXPECT_TRUE(log().contains(QStringLiteral("スクショ貼り付け(画像/端末): ") + kShots + QStringLiteral("/a.png")));
    queue.advance(1.99);
    EXPECT_TRUE(pasteboard.contents().data(kPng).has_value());
    queue.advance(0.01);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("mine"));
}

// ---- folders and their failures

TEST_F(ScreenshotPasteTest, AMissingFolderFallsBackToTheDesktop) {
    folder.setSaveFolder(QStringLiteral("/home/user/Gone"));
    press();
    EXPECT_TRUE(log().contains(QStringLiteral("スクショ貼り付け: 設定の保存先が無いのでデスクトップへ倒す（/home/user/Gone）")));
    EXPECT_TRUE(log().contains(QStringLiteral("スクショ貼り付け: 保存先に画像が無い（") + kDesktop + QStringLiteral("）")));
    EXPECT_EQ(toasts.messages(), QStringList{QStringLiteral("スクリーンショットが見つかりません")});
    EXPECT_EQ(toasts.shown[0].seconds, 1.6);

    folder.addFile(kDesktop, QStringLiteral("shot.png"), kSecond, "img-d");
    press();
    ASSERT_EQ(pastedContents.size(), 1);
    EXPECT_EQ(pastedContents[0].data(kPng), QByteArray("img-d"));
}

TEST_F(ScreenshotPasteTest, ListingFailuresEndThePassWithTheirMessages) {
    // The Desktop itself missing: no second fallback.
    FakeScreenshotFolder empty;
    empty.setSaveFolder(kDesktop);
    ScreenshotPaste bare({pasteboard, inserter, empty, codec, nullptr, [](std::function<void()> w) { w(); }});
    bare.pasteScreenshot();
    queue.runPending();
    EXPECT_EQ(empty.listings(), 1);
    EXPECT_FALSE(log().contains(QStringLiteral("デスクトップへ倒す")));
    EXPECT_TRUE(log().contains(QStringLiteral("スクショ貼り付け: 保存先を読めない（フォルダがありません）")));
    ASSERT_EQ(toasts.shown.size(), 1);
    EXPECT_EQ(toasts.shown[0].message, QStringLiteral("スクリーンショットの保存先を読めません。フォルダの権限を確認してください"));
    EXPECT_EQ(toasts.shown[0].seconds, 2.5);

    folder.failFolder(kShots, FolderListing::Error::AccessDenied, QStringLiteral("読む権限がありません"));
    press();
    EXPECT_TRUE(log().contains(QStringLiteral("スクショ貼り付け: 保存先の読み取りが許可されていない（") + kShots + QStringLiteral("）")));
    EXPECT_EQ(toasts.shown.last().message,
              QStringLiteral("保存先フォルダ「Screenshots」の読み取りが許可されていません。フォルダの権限を確認してください"));
    EXPECT_EQ(toasts.shown.last().seconds, 4.0);
    EXPECT_TRUE(keys.chords.isEmpty());
}

TEST_F(ScreenshotPasteTest, NothingHappensOnceThePasteIsGone) {
    folder.addFile(kShots, QStringLiteral("a.png"), 10 * kSecond, "img-a");
    pasteboard.setTextByOtherProgram(QStringLiteral("mine"));
    held = {KeyCodes::LeftControl};
    press();
    paste.reset();
    held.clear();
    queue.advance(3);
    EXPECT_TRUE(keys.chords.isEmpty());
    EXPECT_EQ(pasteboard.text(), QStringLiteral("mine"));
}

TEST_F(ScreenshotPasteTest, TheAccessResetSaysThereIsNothingToReset) {
    EXPECT_FALSE(ScreenshotPaste::canResetFolderAccess());
    paste->resetFolderAccess();
    EXPECT_EQ(toasts.messages(), QStringList{QStringLiteral("リセットする許可はありません。フォルダの読み取りはファイルの権限で決まります")});
}

}  // namespace
