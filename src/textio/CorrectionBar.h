#pragma once

#include "platform/MainQueue.h"
#include "platform/Workspace.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class Accessibility;
class Pointer;
class PointerButtons;
class Screens;
class SerialQueue;
class WordTokenizer;

// The bar offered after each insertion to turn a misheard word into a correction rule: the words
// of the inserted text as chips; a click on one turns the bar into two fields (the misheard word,
// prefilled, and the right one), and Return stores the pair through AppPrefs::addCorrection.
//
// States: hidden → chips (shown without the keyboard focus; closes by itself after kAutoClose
// when asked to, paused while the pointer is over the bar) → editing (a word picked: the bar takes
// the keyboard focus; losing it closes the bar) → hidden. A press of the mouse button outside
// the bar, Esc, the timer, a save or a new show() closes it. The bar opens on the screen of the
// caret (without one, of the pointer).
//
// This class is the logic; the window is drawn by a subclass (textio/ui/CorrectionBarWindow)
// through the protected view hooks. Default-constructed, it keeps lastInsertedText and shows
// nothing. Main queue only, except the caret read, which runs on a worker of its own.
class CorrectionBar {
public:
    static constexpr double kAutoClose = 6.0;
    static constexpr qsizetype kMaxWords = 24;
    static constexpr double kMaxLineWidth = 460;
    static constexpr int kMaxLines = 3;
    static constexpr double kChipGap = 4;
    static constexpr double kChipHeight = 22;
    static constexpr double kTitleGap = 6;
    static constexpr double kPadding = 10;  // around the row, inside the window
    static constexpr double kCaretRequestTimeout = 0.25;
    static constexpr double kCaretWait = 0.3;  // the bar waits this long for the caret, then opens anyway
    static constexpr double kToastSeconds = 1.0;

    enum class State { Hidden, Chips, Editing };

    struct Services {
        Workspace& workspace;
        Accessibility& accessibility;
        Screens& screens;
        const WordTokenizer& tokenizer;
        // A watch of the desktop's mouse button of the bar's own, run while the bar is shown:
        // a press outside the bar closes it. Absent: only the focus leaving an editing bar, Esc
        // and the timer close it.
        PointerButtons* pointerButtons = nullptr;
        // Where the pointer is: without a caret the bar goes to the pointer's screen. Absent: the
        // primary screen.
        Pointer* pointer = nullptr;
    };

    // Where the chips of the chip row go, in the row's own coordinates (origin top left, y down).
    struct ChipLayout {
        QRectF title;
        QList<QRectF> chips;  // one per chip that fits; later chips are left out
        QSizeF size;          // the row
    };

    CorrectionBar();
    explicit CorrectionBar(Services services);
    virtual ~CorrectionBar();
    CorrectionBar(const CorrectionBar&) = delete;
    CorrectionBar& operator=(const CorrectionBar&) = delete;

    // Shows the bar for `text` near the caret (an open bar is replaced); `autoClose` closes it by
    // itself after kAutoClose. A text without words shows nothing.
    virtual void show(const QString& text, bool autoClose);
    // Closes the bar; the application that was in front when a word was picked gets the focus
    // back when the bar still had it. Safe when nothing is shown.
    void dismiss();

    // The most recently inserted dictation text (the status menu reopens the bar for it).
    QString lastInsertedText;

    // ---- what the window and the pointer watch report (main queue)

    // A click on the chip of `word`; handled on the next turn of the main queue.
    void chipClicked(const QString& word);
    void pointerEntered();
    void pointerExited();
    // Return in either field: stores wrong → right and closes. False (the bar stays open) when a
    // side is empty or the pair cannot be stored as a rule; the bar then says why (notice()).
    bool save(const QString& wrong, const QString& right);
    // Esc.
    void cancel() { dismiss(); }
    // The bar's window lost the keyboard focus it had while editing.
    void focusLost();
    // A mouse button went down anywhere on the desktop (global space, y up). Outside the bar it
    // closes the bar on the next turn of the main queue.
    void pointerPressed(QPointF global);

    // ---- state, for the window and tests
    State state() const { return state_; }
    bool isShown() const { return state_ != State::Hidden && presented_; }
    const QStringList& words() const { return words_; }
    const std::optional<QString>& pickedWord() const { return pickedWord_; }
    bool isAutoClosePending() const { return dismissWork_ != 0; }
    // Why the last Return stored nothing, shown in the bar; none before a refusal.
    const std::optional<QString>& notice() const { return notice_; }
    std::optional<QRectF> frame() const { return frame_; }

    // ---- the steps
    // The chip words of a text: distinct words in order, those worth correcting (or longer than
    // two characters), at most the last kMaxWords.
    static QStringList correctionWords(const QString& text, const WordTokenizer& tokenizer);
    // Whether the word holds a letter, a digit, katakana or a CJK ideograph.
    static bool isCorrectableWord(const QString& word);
    // The title above lines of chips, each line at most kMaxLineWidth wide, at most kMaxLines.
    static ChipLayout layoutChips(QSizeF title, const QList<QSizeF>& chips);
    // The frame (global space) of a bar of `size`: under the caret, else above it, else at the top
    // of the visible frame; centred without a caret; kept 8 points inside the sides.
    static QRectF placement(QSizeF size, const QRectF& visible, const std::optional<QRectF>& caret);
    // The caret's rectangle (or the focused field's) in the global space, of the application of
    // `pid` or else (`pid` 0, or its focus unreadable) of the desktop's last focus; blocking, off
    // the main queue. `primaryHeight` turns the desktop's y-down rectangles into the global space.
    static std::optional<QRectF> readCaret(Accessibility& accessibility, qint32 pid, double primaryHeight,
                                           double timeout);
    // Why a rule with these (trimmed, non-empty) sides cannot be stored, in the user's words;
    // none when it can. Neither side may hold a line break, the misheard side may not hold the
    // arrow that separates the two, and the rule may not be longer than the service keeps.
    static std::optional<QString> refusal(const QString& wrong, const QString& right);

protected:
    // ---- the view; the base draws nothing. Sizes are the whole window's.
    virtual QSizeF layoutChipsView(const QStringList& /*words*/) { return {}; }
    virtual QSizeF layoutEditorView(const QString& /*word*/) { return {}; }
    // Shows `message` in the fields' row in place of the key hint.
    virtual QSizeF layoutEditorNotice(const QString& /*message*/) { return {}; }
    // Moves the window to `frame` (global space); shows it (fading in) when it is not shown yet.
    virtual void presentView(const QRectF& /*frame*/) {}
    // Lets the window take the keyboard focus and focuses the field of the right word.
    virtual void focusEditorView() {}
    virtual void closeView() {}
    // Whether the bar's window holds the keyboard focus.
    virtual bool viewHasFocus() const { return false; }

private:
    void caretArrived(quint64 generation, std::optional<QRectF> caret);
    void pickWord(const QString& word);
    void scheduleAutoClose();
    std::optional<QRectF> visibleFrame() const;
    void place(QSizeF size);
    void watchPointer(bool on);

    std::optional<Services> s_;
    std::unique_ptr<SerialQueue> queue_;
    std::shared_ptr<CorrectionBar*> alive_;

    State state_ = State::Hidden;
    bool presented_ = false;
    bool autoClose_ = false;
    quint64 generation_ = 0;  // bumped by every show and dismiss: late caret answers are dropped
    QStringList words_;
    std::optional<QString> pickedWord_;
    std::optional<QString> notice_;
    std::optional<RunningApplication> appToRestore_;
    std::optional<QRectF> caret_;
    std::optional<QRectF> frame_;
    MainQueue::TimerId dismissWork_ = 0;
    MainQueue::TimerId caretWait_ = 0;
};
