#include "textio/TextInserter.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/Graphemes.h"
#include "core/Toast.h"
#include "platform/Accessibility.h"
#include "platform/ApplicationIdentifiers.h"
#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"
#include "platform/SyntheticKeys.h"
#include "platform/Workspace.h"
#include "textio/TerminalDetection.h"

#include <utility>

namespace {

// Runs `fn` on the inserter if it still exists.
template <typename Fn>
auto guarded(const std::shared_ptr<TextInserter*>& alive, Fn fn) {
    return [weak = std::weak_ptr<TextInserter*>(alive), fn = std::move(fn)]() mutable {
        if (auto strong = weak.lock()) fn(**strong);
    };
}

}  // namespace

TextInserter::TextInserter(Pasteboard& pasteboard, SyntheticKeys& keys, Workspace& workspace,
                           Accessibility* accessibility)
    : pasteboard_(pasteboard),
      keys_(keys),
      workspace_(workspace),
      accessibility_(accessibility),
      alive_(std::make_shared<TextInserter*>(this)) {}

TextInserter::~TextInserter() {
    alive_.reset();
    probeQueue_.reset();  // finishes a running probe; its answer finds the inserter gone
}

void TextInserter::setOwnFieldInsert(OwnFieldInsert insert) { ownFieldInsert_ = std::move(insert); }

void TextInserter::insert(const QString& text) {
    if (text.isEmpty()) return;
    if (!MainQueue::onMainThread()) {
        // Our own fields and the clipboard live on the main thread; the main queue keeps the order.
        MainQueue::post(guarded(alive_, [text](TextInserter& self) { self.insert(text); }));
        return;
    }
    if (ownFieldInsert_ && ownFieldInsert_(text)) return;

    {
        std::lock_guard guard(lock_);
        pasteQueue_.push_back(text);
        if (isInserting_) return;  // the running pump will reach the piece
        isInserting_ = true;
    }
    MainQueue::post(guarded(alive_, [](TextInserter& self) { self.pumpPaste(); }));
}

bool TextInserter::isInserting() const {
    std::lock_guard guard(lock_);
    return isInserting_;
}

void TextInserter::pumpPaste() {
    bool needSave = false;
    {
        std::lock_guard guard(lock_);
        needSave = !clipboardSaved_ && !pasteQueue_.empty();
    }
    if (needSave && !pasteboard_.inStep() && ++catchUpWaits_ < kCatchUpWaits) {
        // Another program has just taken the clipboard and we have not caught up: saving now
        // would save what it held before. Let the main queue run first.
        MainQueue::after(kClaimRetry, guarded(alive_, [](TextInserter& self) { self.pumpPaste(); }));
        return;
    }
    if (needSave) {
        catchUpWaits_ = 0;
        // Once per burst, before our first write: everything the user had on the clipboard.
        PasteboardContents before = pasteboard_.snapshot();
        std::lock_guard guard(lock_);
        savedClipboard_ = std::move(before);
        clipboardSaved_ = true;
    }

    QString piece;
    size_t remaining = 0;
    {
        std::lock_guard guard(lock_);
        if (pasteQueue_.empty()) {
            // Unreachable from afterPaste (it checks), but a stray pump must still end the burst.
            piece.clear();
        } else {
            piece = std::move(pasteQueue_.front());
            pasteQueue_.pop_front();
            remaining = pasteQueue_.size();
        }
    }
    if (piece.isNull()) {
        finishBurst();
        return;
    }

    // Terminals that paste the PRIMARY selection get the piece there too; everyone else's
    // selection is left alone (the middle button pastes it).
    const TerminalDetection::PasteChord chord = frontmostPasteChord();
    const bool viaSelection = chord == TerminalDetection::PasteChord::ShiftInsert;
    if (viaSelection && !selectionSaved_) {
        savedSelection_ = pasteboard_.selectionSnapshot();
        selectionSaved_ = true;
    }
    const quint64 change = pasteboard_.setText(piece);
    const bool refused = change == Pasteboard::kRefused;
    const quint64 selectionChange = !refused && viaSelection ? pasteboard_.setSelectionText(piece) : 0;
    if (refused || (viaSelection && selectionChange == Pasteboard::kRefused)) {
        // The desktop would not hand us the clipboard yet (it has not told us of the latest
        // owner's change). A paste chord now would paste that owner's contents: try again shortly.
        if (++claimAttempts_ < kClaimAttempts) {
            {
                std::lock_guard guard(lock_);
                pasteQueue_.push_front(std::move(piece));
                if (!burstWrote_) {
                    // A refused claim means our view of the clipboard lagged, and so may the
                    // save just taken (the owner refuses reads that look older than its claim):
                    // save again once we have caught up.
                    savedClipboard_.reset();
                    clipboardSaved_ = false;
                }
            }
            MainQueue::after(kClaimRetry, guarded(alive_, [](TextInserter& self) { self.pumpPaste(); }));
            return;
        }
        claimAttempts_ = 0;
        // No paste chord without our text on the clipboard. The piece, and the ones queued after
        // it (pasting those alone would leave a gap), are kept for the user instead.
        QString kept = piece;
        {
            std::lock_guard guard(lock_);
            for (const QString& later : pasteQueue_) kept += later;
            pasteQueue_.clear();
        }
        AppLog::write(QStringLiteral("貼り付け: クリップボードを取得できず%1字を貼り付けなかった").arg(Graphemes::count(kept)));
        undelivered_ += kept;
        finishBurst();
        return;
    }
    claimAttempts_ = 0;
    burstWrote_ = true;
    lastWriteChange_ = change;
    lastWriteAt_ = Clock::monotonicNow();
    if (viaSelection) {
        selectionWrote_ = true;
        lastSelectionChange_ = selectionChange;
    }
    postPasteChord(chord);
    MainQueue::after(remaining > 0 ? kPieceSpacing : kRestoreDelay,
                     guarded(alive_, [](TextInserter& self) { self.afterPaste(); }));
}

void TextInserter::afterPaste() {
    // The target may fetch the clipboard later than our fixed wait: overwriting it then would
    // paste the wrong text. Wait for the fetch, unless someone else has taken the clipboard.
    const bool ours = pasteboard_.changeCount() == lastWriteChange_;
    const double waited = Clock::monotonicNow() - lastWriteAt_;
    if (ours && !pasteboard_.latestWriteWasRead()) {
        if (waited + 1e-9 < kReadWaitLimit) {
            MainQueue::after(kReadPoll, guarded(alive_, [](TextInserter& self) { self.afterPaste(); }));
            return;
        }
        AppLog::write(QStringLiteral("貼り付け: 貼り付け先がクリップボードを読まないまま%1秒経過")
                          .arg(kReadWaitLimit, 0, 'f', 1));
    }
    bool more = false;
    {
        std::lock_guard guard(lock_);
        more = !pasteQueue_.empty();
    }
    if (more)
        pumpPaste();
    else
        finishBurst();
}

void TextInserter::copyToClipboard(const QString& text) {
    {
        std::lock_guard guard(lock_);
        if (isInserting_) {
            clipboardAfterBurst_ = text;
            return;
        }
    }
    pasteboard_.setText(text);
}

void TextInserter::finishBurst() {
    std::optional<PasteboardContents> saved;
    std::optional<QString> leave;
    {
        std::lock_guard guard(lock_);
        saved = std::move(savedClipboard_);
        savedClipboard_.reset();
        leave = std::move(clipboardAfterBurst_);
        clipboardAfterBurst_.reset();
        clipboardSaved_ = false;
        isInserting_ = false;
    }
    const bool wrote = std::exchange(burstWrote_, false);
    restoreSelection();
    if (!undelivered_.isEmpty()) {
        // Dictated text that never reached the target goes to the user before anything else.
        keepForUser(std::exchange(undelivered_, QString()), 1);
        return;
    }
    if (leave) {
        // Text the user was told is on the clipboard wins over the restore.
        pasteboard_.setText(*leave);
        return;
    }
    // Nothing of ours reached the clipboard (every claim refused): it still holds what it held.
    if (!saved || !wrote || AppPrefs::keepInsertedTextOnClipboard()) return;
    // The clipboard was empty: putting that back would leave the user no copy of a piece the
    // target ignored, so the last piece stays.
    if (saved->isEmpty()) return;
    if (pasteboard_.changeCount() != lastWriteChange_) {
        // Another program (or the user) put something new on the clipboard meanwhile: keep it.
        AppLog::write(QStringLiteral("貼り付け: クリップボードが他で変わったので復元しない"));
        return;
    }
    pasteboard_.restore(*saved);
}

void TextInserter::restoreSelection() {
    std::optional<PasteboardContents> saved = std::exchange(savedSelection_, std::nullopt);
    selectionSaved_ = false;
    if (!std::exchange(selectionWrote_, false) || !saved) return;
    // The user has selected something new meanwhile: that is the selection now.
    if (pasteboard_.selectionChangeCount() != lastSelectionChange_) return;
    pasteboard_.restoreSelection(*saved);
}

void TextInserter::keepForUser(const QString& text, int attempt) {
    if (isInserting()) {
        // A new burst owns the clipboard now; our turn comes after it.
        MainQueue::after(kKeepRetry, guarded(alive_, [text, attempt](TextInserter& self) { self.keepForUser(text, attempt); }));
        return;
    }
    if (pasteboard_.setText(text) != Pasteboard::kRefused) {
        AppLog::write(QStringLiteral("貼り付け: 貼り付けられなかった%1字をクリップボードに残した").arg(Graphemes::count(text)));
        Toast::show(QStringLiteral("貼り付けできませんでした。クリップボードに保存しました"), std::nullopt, 2.5);
        return;
    }
    if (attempt < kKeepAttempts) {
        MainQueue::after(kKeepRetry,
                         guarded(alive_, [text, attempt](TextInserter& self) { self.keepForUser(text, attempt + 1); }));
        return;
    }
    AppLog::write(QStringLiteral("貼り付け: クリップボードを取得できず%1字を残せなかった").arg(Graphemes::count(text)));
    Toast::show(QStringLiteral("貼り付けできませんでした。クリップボードも使えず、書き起こしを保存できませんでした"), std::nullopt,
                4.0);
}

TerminalDetection::PasteChord TextInserter::frontmostPasteChord() const {
    const auto app = workspace_.frontmostApplication();
    return TerminalDetection::pasteChordFor(app ? app->identifier : QString());
}

void TextInserter::postPaste() { postPasteChord(frontmostPasteChord()); }

void TextInserter::postPasteChord(TerminalDetection::PasteChord chord) {
    switch (chord) {
    case TerminalDetection::PasteChord::ControlV:
        keys_.postKey(KeyIds::V, KeyFlags::Control);
        break;
    case TerminalDetection::PasteChord::ControlShiftV:
        keys_.postKey(KeyIds::V, KeyFlags::Control | KeyFlags::Shift);
        break;
    case TerminalDetection::PasteChord::ShiftInsert:
        keys_.postKey(KeyIds::Insert, KeyFlags::Shift);
        break;
    }
}

void TextInserter::postKey(quint16 keyId, quint64 flags) { keys_.postKey(keyId, flags); }

void TextInserter::postControlKey(quint16 keyId, char16_t) { keys_.postKey(keyId, KeyFlags::Control); }

bool TextInserter::clearField() {
    const auto app = workspace_.frontmostApplication();
    if (app && app->identifier == QLatin1String(ApplicationIdentifiers::kFileManager)) return false;
    MainQueue::post(guarded(alive_, [](TextInserter& self) {
        self.isTerminalFrontmost([weak = std::weak_ptr<TextInserter*>(self.alive_)](bool terminal) {
            auto strong = weak.lock();
            if (!strong) return;
            TextInserter& inserter = **strong;
            if (terminal) {
                AppLog::write(QStringLiteral("入力欄を空にする: control+U"));
                inserter.postControlKey(KeyIds::U, u'\u0015');
            } else {
                AppLog::write(QStringLiteral("入力欄を空にする: 文頭まで選択して削除"));
                // Select from the caret to the start of the text, then delete the selection.
                inserter.postKey(KeyIds::Home, KeyFlags::Control | KeyFlags::Shift);
                inserter.postKey(KeyIds::Delete, 0);
            }
        });
    }));
    return true;
}

bool TextInserter::isTerminalFrontmost() {
    const auto app = workspace_.frontmostApplication();
    if (!app || app->identifier.isEmpty()) return false;
    if (TerminalDetection::isTerminalIdentifier(app->identifier)) return true;
    if (!accessibility_ || app->pid <= 0) return false;
    bool result = false;
    probeQueue().sync([&] { result = isWebTerminal(*accessibility_, app->pid); });
    return result;
}

void TextInserter::isTerminalFrontmost(std::function<void(bool)> answer) {
    const auto app = workspace_.frontmostApplication();
    if (!app || app->identifier.isEmpty()) return answer(false);
    if (TerminalDetection::isTerminalIdentifier(app->identifier)) return answer(true);
    if (!accessibility_ || app->pid <= 0) return answer(false);
    Accessibility* accessibility = accessibility_;
    const qint32 pid = app->pid;
    probeQueue().post([accessibility, pid, weak = std::weak_ptr<TextInserter*>(alive_), answer = std::move(answer)] {
        const bool terminal = isWebTerminal(*accessibility, pid);
        MainQueue::post([weak, answer, terminal] {
            if (weak.lock()) answer(terminal);
        });
    });
}

bool TextInserter::isWebTerminal(Accessibility& accessibility, qint32 pid) {
    auto element = accessibility.focusedElement(pid, kProbeTimeout);
    return element && TerminalDetection::presentsAsTerminal(*element);
}

SerialQueue& TextInserter::probeQueue() {
    if (!probeQueue_) probeQueue_ = std::make_unique<SerialQueue>(QStringLiteral("terminal-probe"));
    return *probeQueue_;
}
