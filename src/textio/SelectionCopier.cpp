#include "textio/SelectionCopier.h"

#include "core/AppPrefs.h"
#include "core/Graphemes.h"
#include "core/Toast.h"
#include "platform/Accessibility.h"
#include "platform/Bundle.h"
#include "platform/Pasteboard.h"
#include "platform/Pointer.h"
#include "platform/PointerButtons.h"
#include "platform/SerialQueue.h"
#include "platform/Workspace.h"
#include "textio/TextInserter.h"

#include <QTextBoundaryFinder>

namespace {

const QString kNotice = QStringLiteral("コピーしました");

// A selection is read whole up to this many UTF-16 units, enough for kLimit characters of any
// script; a longer one is read only this far and cut.
constexpr qint64 kReadLimit = qint64(PointerSelectionCopier::kLimit) * 8;

// A refused claim of the clipboard is tried again this often, this many times in all.
constexpr double kClaimRetry = 0.02;
constexpr int kClaimAttempts = 10;

bool isBlank(const QString& text) { return text.trimmed().isEmpty(); }

// Our own windows: the desktop marks this process, else the identifiers match.
bool isThisApplication(const RunningApplication& app) {
    if (app.isSelf) return true;
    if (app.identifier.isEmpty() || !Bundle::isInstalled()) return false;
    return app.identifier == Bundle::instance().identifier();
}

}  // namespace

PointerSelectionCopier::PointerSelectionCopier(PointerButtons& buttons, Accessibility& accessibility,
                                               Pasteboard& pasteboard, Workspace& workspace, TextInserter* inserter,
                                               Pointer* pointer)
    : buttons_(buttons),
      accessibility_(accessibility),
      pasteboard_(pasteboard),
      workspace_(workspace),
      inserter_(inserter),
      pointer_(pointer),
      alive_(std::make_shared<PointerSelectionCopier*>(this)) {}

PointerSelectionCopier::~PointerSelectionCopier() {
    *alive_ = nullptr;
    stop();
    queue_.reset();  // waits for a read in progress: it uses the accessibility service
}

bool PointerSelectionCopier::isRunning() const { return buttons_.isRunning(); }

bool PointerSelectionCopier::begin() {
    if (buttons_.isRunning()) return true;
    std::weak_ptr<PointerSelectionCopier*> weak = alive_;
    const bool started = buttons_.start([weak](const PointerButtonEvent& event) {
        if (auto alive = weak.lock(); alive && *alive) (**alive).handle(event);
    });
    if (!started) return false;
    didDrag_ = false;
    // The watch can stop delivering (the display connection was lost): bring it back at once
    // when it says so, and at the latest on the next watchdog tick.
    buttons_.setDisabledHandler([weak] {
        if (auto alive = weak.lock(); alive && *alive && (**alive).buttons_.isRunning()) (**alive).buttons_.enable();
    });
    MainQueue::cancel(watchdog_);
    watchdog_ = MainQueue::every(kWatchdogInterval, [weak] {
        auto alive = weak.lock();
        if (!alive || !*alive) return;
        PointerButtons& buttons = (**alive).buttons_;
        if (buttons.isRunning() && !buttons.isEnabled()) buttons.enable();
    });
    return true;
}

void PointerSelectionCopier::stop() {
    MainQueue::cancel(watchdog_);
    if (buttons_.isRunning()) buttons_.stop();
    buttons_.setDisabledHandler(nullptr);
    didDrag_ = false;
    ++gesture_;  // work in flight belongs to a watch that has ended
}

bool PointerSelectionCopier::insertingNow() const { return inserter_ && inserter_->isInserting(); }

void PointerSelectionCopier::handle(const PointerButtonEvent& event) {
    switch (event.type) {
    case PointerButtonEvent::Type::Press:
        ++gesture_;
        didDrag_ = false;
        selectionAtPress_ = pasteboard_.selectionChangeCount();
        return;
    case PointerButtonEvent::Type::Drag:
        didDrag_ = true;
        return;
    case PointerButtonEvent::Type::Release:
        break;
    }
    const bool dragged = didDrag_;
    didDrag_ = false;
    if (!dragged && event.clickCount < 2) return;  // an ordinary click copies nothing
    releasedAt_ = event.location;
    const quint64 gesture = gesture_;
    std::weak_ptr<PointerSelectionCopier*> weak = alive_;
    MainQueue::after(kCopyDelay, [weak, gesture] {
        auto alive = weak.lock();
        if (!alive || !*alive || (**alive).gesture_ != gesture) return;
        (**alive).copySelection();
    });
}

void PointerSelectionCopier::copySelection() {
    if (insertingNow()) return;
    if (AppPrefs::copyOnSelectMode() == QLatin1String("off")) return;
    const std::optional<RunningApplication> front = workspace_.frontmostApplication();
    if (!front || isThisApplication(*front)) return;

    const quint64 gesture = gesture_;
    const quint64 selectionAtPress = selectionAtPress_;
    const qint32 pid = front->pid;
    if (!queue_) queue_ = std::make_shared<SerialQueue>(QStringLiteral("selection-copy"));
    std::weak_ptr<PointerSelectionCopier*> weak = alive_;
    Accessibility* accessibility = &accessibility_;
    queue_->post([weak, gesture, selectionAtPress, pid, accessibility] {
        Reading reading = readFocused(*accessibility, pid);
        MainQueue::post([weak, gesture, selectionAtPress, reading = std::move(reading)] {
            auto alive = weak.lock();
            if (!alive || !*alive) return;
            ++(**alive).answered_;
            (**alive).finish(gesture, selectionAtPress, reading);
        });
    });
}

PointerSelectionCopier::Reading PointerSelectionCopier::readFocused(Accessibility& accessibility, qint32 pid) {
    Reading reading;
    if (accessibility.isSecureInputOn()) {
        reading.secure = true;
        return reading;
    }
    if (pid <= 0) return reading;  // not an application we can ask
    const std::shared_ptr<AccessibleElement> element = accessibility.focusedElement(pid, kTimeout);
    if (!element) return reading;
    reading.hasElement = true;
    if (element->role() == AccessibleRole::SecureTextField) {
        reading.secure = true;
        return reading;
    }
    reading.text = selectedText(*element);
    return reading;
}

std::optional<QString> PointerSelectionCopier::selectedText(AccessibleElement& element) {
    const std::optional<TextRange> range = element.selectedRange();
    if (!range || range->location < 0 || range->length < 1) return std::nullopt;
    const qint64 length = std::min(range->length, kReadLimit);
    std::optional<QString> text = element.stringForRange(TextRange{range->location, length});
    if (!text || text->isEmpty()) return std::nullopt;
    if (range->length > length) {
        // Read short: the last character may have been cut in two.
        QString whole = limited(*text);
        if (whole.size() == text->size()) {
            QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, whole);
            finder.toEnd();
            const qsizetype last = finder.toPreviousBoundary();
            if (last > 0) whole.truncate(last);
        }
        return whole;
    }
    return limited(*text);
}

QString PointerSelectionCopier::limited(const QString& text) { return Graphemes::first(text, kLimit); }

void PointerSelectionCopier::finish(quint64 gesture, quint64 selectionAtPress, const Reading& reading) {
    // A newer gesture, or a stop, makes this answer moot.
    if (gesture != gesture_ || !buttons_.isRunning()) return;
    if (reading.secure) return;
    if (reading.text && !isBlank(*reading.text)) {
        writeToPasteboard(*reading.text);
        return;
    }
    // The element's selection could not be read (or the application is not on the accessibility
    // bus): the PRIMARY selection holds what the user selected in most programs, but only a
    // selection taken during this gesture is the one just made.
    if (pasteboard_.selectionChangeCount() == selectionAtPress) return;
    const std::optional<QString> primary = pasteboard_.selectionText();
    if (!primary || isBlank(*primary)) return;
    writeToPasteboard(limited(*primary));
}

void PointerSelectionCopier::writeToPasteboard(const QString& text) {
    // A paste burst may have begun while the selection was read: our text would be pasted, or
    // overwritten by the burst's restore.
    if (insertingNow()) return;
    if (pasteboard_.inStep() && pasteboard_.text() == text) return;  // already there: no notice

    claimClipboard(text, gesture_, 1);
}

void PointerSelectionCopier::claimClipboard(const QString& text, quint64 gesture, int attempt) {
    if (gesture != gesture_ || insertingNow()) return;
    if (pasteboard_.setText(text) == Pasteboard::kRefused) {
        // The desktop has not yet told us of the last owner's claim; it will shortly.
        if (attempt >= kClaimAttempts) return;
        std::weak_ptr<PointerSelectionCopier*> weak = alive_;
        MainQueue::after(kClaimRetry, [weak, text, gesture, attempt] {
            if (auto alive = weak.lock(); alive && *alive) (**alive).claimClipboard(text, gesture, attempt + 1);
        });
        return;
    }
    if (AppPrefs::copyOnSelectMode() == QLatin1String("notify")) {
        const QPointF at = pointer_ ? pointer_->location() : releasedAt_.value_or(QPointF());
        Toast::show(kNotice, at, kNoticeSeconds);
    }
}
