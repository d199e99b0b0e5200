#pragma once

#include "platform/KeyCodes.h"
#include "platform/MainQueue.h"
#include "platform/Pasteboard.h"
#include "platform/ScreenshotFolder.h"

#include <QSet>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class ImageCodec;
class SerialQueue;
class TextInserter;

// Pastes the newest screenshot into the frontmost application: finds it in the screenshot
// folder (off the main queue), waits until the user has let go of the shortcut's modifier keys,
// then puts the picture on the clipboard as PNG and sends the paste chord (control-V to a
// terminal), or, in a terminal when the user chose so, types the file's path. The clipboard the
// user had comes back once the target has fetched the picture.
//
// Main queue only. Work it schedules holds it weakly and does nothing once it is gone.
class ScreenshotPaste {
public:
    struct Services {
        Pasteboard& pasteboard;
        TextInserter& inserter;  // terminal detection, the paste chords, typing a path
        ScreenshotFolder& folder;
        ImageCodec& images;
        // Whether the key (virtual code) is physically down right now.
        std::function<bool(int keyCode)> isKeyDown;
        // Runs work off the main queue; empty: a serial queue of our own.
        std::function<void(std::function<void()>)> background;
    };

    static constexpr double kReleaseDeadline = 2.0;
    static constexpr double kReleasePoll = 0.02;
    static constexpr double kRestoreDelay = 0.4;
    static constexpr double kTerminalRestoreDelay = 2.0;
    // The target may fetch the picture later than the restore delay: we then look again every
    // kReadPoll seconds, up to kReadWaitLimit seconds after our write.
    static constexpr double kReadPoll = 0.05;
    static constexpr double kReadWaitLimit = 3.0;
    // Refused clipboard claims are tried again every kClaimRetry seconds, kClaimAttempts times.
    static constexpr double kClaimRetry = 0.02;
    static constexpr int kClaimAttempts = 10;
    // Larger files are not read (no screenshot comes near).
    static constexpr qint64 kMaxImageBytes = 256LL * 1024 * 1024;

    // The modifier keys of the shortcut we wait for, in the order they are tested: left and right
    // control, left and right option, right and left command, 英数, かな. Shift does not count.
    static constexpr std::array<int, 8> kModifierKeys = {
        KeyCodes::LeftControl, KeyCodes::RightControl, KeyCodes::LeftOption, KeyCodes::RightOption,
        KeyCodes::RightCommand, KeyCodes::LeftCommand, KeyCodes::Eisu, KeyCodes::Kana};

    explicit ScreenshotPaste(Services services);
    ~ScreenshotPaste();
    ScreenshotPaste(const ScreenshotPaste&) = delete;
    ScreenshotPaste& operator=(const ScreenshotPaste&) = delete;

    // The shortcut was pressed. Returns at once; the pass runs on.
    void pasteScreenshot();
    // The folder screenshots are taken from (shown by the settings screen).
    QString screenshotSaveFolder() const;
    // Folder access on this desktop is decided by file permissions alone: nothing to reset.
    static bool canResetFolderAccess() { return false; }
    // Tells the user (a toast) that there is nothing to reset.
    void resetFolderAccess();

    // "png", "jpg", "jpeg", "heic", "tiff", "gif".
    static const QSet<QString>& screenshotImageExtensions();
    // The newest image of a listing, screen captures first; absent when it holds none.
    static std::optional<QString> findNewestScreenshot(const FolderListing& listing);
    // How a folder is named in messages.
    static QString folderDisplayName(const QString& folder);

private:
    struct ScanOutcome {
        QString folder;  // the folder actually scanned
        std::optional<FolderListing> failure;
        std::optional<QString> file;
    };
    struct PendingRestore {
        PasteboardContents saved;
        quint64 change = 0;
        double writtenAt = 0;
        MainQueue::TimerId timer = 0;
    };

    void handleScan(const ScanOutcome& outcome);
    void waitForModifierRelease(double deadline, std::function<void(bool)> completion);
    void finishScreenshotPaste(bool released, const QString& file);
    void pasteScreenshotImage(const QString& file, bool terminal);
    void writeImage(const QString& file, const QByteArray& png, bool terminal, int attempt);
    void restoreWhenFetched();
    void runInBackground(std::function<void()> work);
    template <typename Fn>
    std::function<void()> guarded(Fn fn);

    Services s_;
    std::unique_ptr<SerialQueue> worker_;
    std::optional<PendingRestore> pending_;
    std::shared_ptr<ScreenshotPaste*> alive_;
};
