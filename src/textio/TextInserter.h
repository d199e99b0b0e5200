#pragma once

#include "platform/Pasteboard.h"
#include "textio/TerminalDetection.h"

#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class Accessibility;
class SerialQueue;
class SyntheticKeys;
class Workspace;

// The one way text reaches another application: through the clipboard and the application's own
// paste chord. Pieces are pasted in order and spaced in time; the clipboard the user had (every
// format of it) comes back once the target has fetched the last piece. An empty clipboard is not
// put back: the last piece stays on it, so a paste the target ignored still leaves the user a copy. Terminals that paste the
// PRIMARY selection (Shift+Insert) get the piece there too, and the selection comes back as well;
// for every other application PRIMARY is left alone. Text that cannot be pasted (the desktop
// keeps refusing us the clipboard) is never dropped: it is left on the clipboard with a notice. Also owns the synthetic key
// chords that field clearing and screenshot paste send.
//
// One instance per process, made at start-up with the platform services; it must outlive the
// main queue's work it schedules (callbacks hold it weakly and do nothing once it is gone).
class TextInserter {
public:
    // Spacing between two pieces of a burst, and the wait before the clipboard is put back.
    static constexpr double kPieceSpacing = 0.28;
    static constexpr double kRestoreDelay = 0.4;
    // When the target has not fetched our text by then, we keep polling for the fetch every
    // kReadPoll seconds, up to kReadWaitLimit seconds after the write.
    static constexpr double kReadPoll = 0.05;
    static constexpr double kReadWaitLimit = 3.0;
    // Before the clipboard is saved, our view of it must have caught up with the desktop's: we
    // wait kClaimRetry seconds at a time, kCatchUpWaits times at most, and then save what we see.
    // When the desktop refuses us the clipboard, the claim is tried again every kClaimRetry
    // seconds, kClaimAttempts times in all, before the piece is not pasted; the waits to catch up
    // do not count as refusals. A piece not pasted is left on the clipboard for the user (with a
    // notice): that claim is tried every kKeepRetry seconds, kKeepAttempts times in all.
    static constexpr double kClaimRetry = 0.02;
    static constexpr int kCatchUpWaits = 10;
    static constexpr int kClaimAttempts = 10;
    static constexpr double kKeepRetry = 0.25;
    static constexpr int kKeepAttempts = 40;
    // Messaging timeout of the web-terminal probe.
    static constexpr double kProbeTimeout = 0.15;

    // `accessibility` may be null (no probe for web terminals then).
    TextInserter(Pasteboard& pasteboard, SyntheticKeys& keys, Workspace& workspace, Accessibility* accessibility);
    ~TextInserter();
    TextInserter(const TextInserter&) = delete;
    TextInserter& operator=(const TextInserter&) = delete;

    // Inserts into this application's own focused text field, when one of our windows is active
    // and has a text field focused; returns false otherwise. Installed by the UI layer.
    using OwnFieldInsert = std::function<bool(const QString& text)>;
    void setOwnFieldInsert(OwnFieldInsert insert);

    // Queues the text for pasting into the focused field of the frontmost application and returns
    // at once. Any thread; the work itself happens on the main queue.
    void insert(const QString& text);
    // A paste burst is running (read by copy-on-select, which copies nothing meanwhile). Any thread.
    bool isInserting() const;
    // Leaves `text` on the clipboard for the user. A running burst would restore the old clipboard
    // over it afterwards, so while one runs the text replaces that restore and is written when the
    // burst ends; otherwise it is written at once. Main queue.
    void copyToClipboard(const QString& text);

    // Posts the frontmost application's paste chord. Main queue.
    void postPaste();
    // Posts one key chord with exactly `flags` (KeyFlags). Main queue.
    void postKey(quint16 keyId, quint64 flags);
    // Posts a control chord (control + key) so that a terminal receives the control character.
    // On X11 the terminal derives the character from the chord itself. Main queue.
    void postControlKey(quint16 keyId, char16_t character);

    // Empties the focused input field of the frontmost application. False (and nothing sent) when
    // the file manager is in front; otherwise schedules the clearing and returns true. Main queue.
    bool clearField();

    // Whether the frontmost application is a terminal. Blocks for the accessibility probe (at
    // most kProbeTimeout per read) when the application is not a known terminal.
    bool isTerminalFrontmost();
    // The same without blocking: the answer comes on the main queue (at once for known ones).
    void isTerminalFrontmost(std::function<void(bool)> answer);
    // The accessibility probe for a focused element that presents itself as a terminal although
    // its application is not a known terminal. Blocking; not on the main queue.
    static bool isWebTerminal(Accessibility& accessibility, qint32 pid);

private:
    void pumpPaste();
    void afterPaste();
    void finishBurst();
    void restoreSelection();
    void keepForUser(const QString& text, int attempt);
    TerminalDetection::PasteChord frontmostPasteChord() const;
    void postPasteChord(TerminalDetection::PasteChord chord);
    SerialQueue& probeQueue();

    Pasteboard& pasteboard_;
    SyntheticKeys& keys_;
    Workspace& workspace_;
    Accessibility* accessibility_;
    OwnFieldInsert ownFieldInsert_;
    std::shared_ptr<TextInserter*> alive_;
    std::unique_ptr<SerialQueue> probeQueue_;

    // Guards the four values below; held only for bookkeeping, never while posting events or
    // touching the clipboard.
    mutable std::mutex lock_;
    std::deque<QString> pasteQueue_;
    bool isInserting_ = false;
    bool clipboardSaved_ = false;
    std::optional<PasteboardContents> savedClipboard_;
    std::optional<QString> clipboardAfterBurst_;

    // Main queue only: our latest clipboard write and when it happened, whether the running
    // burst has written at all, and the refused claims of the current piece.
    quint64 lastWriteChange_ = 0;
    double lastWriteAt_ = 0;
    bool burstWrote_ = false;
    int catchUpWaits_ = 0;   // waits for our view of the clipboard before the save
    int claimAttempts_ = 0;  // refused claims of the current piece
    // Main queue only: the PRIMARY selection as the burst found it (taken before our first write
    // there), whether and when we wrote it, and the text given up on in this burst.
    bool selectionSaved_ = false;
    std::optional<PasteboardContents> savedSelection_;
    bool selectionWrote_ = false;
    quint64 lastSelectionChange_ = 0;
    QString undelivered_;
};
