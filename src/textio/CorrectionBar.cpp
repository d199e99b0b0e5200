#include "textio/CorrectionBar.h"

#include "core/AppPrefs.h"
#include "core/Graphemes.h"
#include "core/Toast.h"
#include "platform/Accessibility.h"
#include "platform/PointerButtons.h"
#include "platform/Pointer.h"
#include "platform/Screens.h"
#include "platform/SerialQueue.h"
#include "platform/WordTokenizer.h"

#include <QSet>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace {

constexpr double kMaxCaretHeight = 200;


bool isLineBreak(QChar c) {
    const char16_t u = c.unicode();
    return u == 0x000A || u == 0x000B || u == 0x000C || u == 0x000D || u == 0x0085 || u == 0x2028 || u == 0x2029;
}

// Trims blanks, not line breaks.
QString trimBlanks(const QString& text) {
    auto blank = [](QChar c) { return c.isSpace() && !isLineBreak(c); };
    qsizetype begin = 0, end = text.size();
    while (begin < end && blank(text.at(begin))) ++begin;
    while (end > begin && blank(text.at(end - 1))) --end;
    return text.mid(begin, end - begin);
}

QString nfc(const QString& s) { return s.normalized(QString::NormalizationForm_C); }

}  // namespace

CorrectionBar::CorrectionBar() : alive_(std::make_shared<CorrectionBar*>(this)) {}

CorrectionBar::CorrectionBar(Services services)
    : s_(services),
      queue_(std::make_unique<SerialQueue>(QStringLiteral("correction-caret"))),
      alive_(std::make_shared<CorrectionBar*>(this)) {}

CorrectionBar::~CorrectionBar() {
    *alive_ = nullptr;
    watchPointer(false);
    MainQueue::cancel(dismissWork_);
    MainQueue::cancel(caretWait_);
    queue_.reset();  // waits for a running caret read; its answer finds the bar gone
}

// ---------------------------------------------------------------------------------------------
// The steps

bool CorrectionBar::isCorrectableWord(const QString& word) {
    for (const char32_t u : word.toUcs4()) {
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')) return true;
        if ((u >= 0x3005 && u <= 0x3007) || (u >= 0x30A0 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) ||
            (u >= 0xFF10 && u <= 0xFF5A))
            return true;
    }
    return false;
}

QStringList CorrectionBar::correctionWords(const QString& text, const WordTokenizer& tokenizer) {
    QStringList distinct;
    QSet<QString> seen;
    for (const QString& token : tokenizer.words(text)) {
        const QString word = token.trimmed();
        if (word.isEmpty() || seen.contains(word)) continue;
        seen.insert(word);
        distinct.append(word);
    }
    QStringList kept;
    for (const QString& word : distinct)
        if (isCorrectableWord(word) || Graphemes::count(word) > 2) kept.append(word);
    if (kept.isEmpty()) kept = distinct;
    if (kept.size() > kMaxWords) kept = kept.mid(kept.size() - kMaxWords);
    return kept;
}

CorrectionBar::ChipLayout CorrectionBar::layoutChips(QSizeF title, const QList<QSizeF>& chips) {
    ChipLayout layout;
    // Each line holds the indexes of its chips and its width.
    QList<QList<qsizetype>> lines;
    QList<double> widths;
    for (qsizetype i = 0; i < chips.size(); ++i) {
        const double w = chips.at(i).width();
        if (!lines.isEmpty() && widths.last() + kChipGap + w <= kMaxLineWidth) {
            lines.last().append(i);
            widths.last() += kChipGap + w;
            continue;
        }
        if (lines.size() >= kMaxLines) break;  // this chip and all later ones are left out
        lines.append(QList<qsizetype>{i});
        widths.append(w);
    }
    const double h = chips.isEmpty() ? kChipHeight : chips.first().height();
    double widest = 0;
    for (double w : widths) widest = std::max(widest, w);
    const qsizetype n = lines.size();
    layout.title = QRectF(QPointF(0, 0), title);
    double y = title.height() + kTitleGap;
    for (const QList<qsizetype>& line : lines) {
        double x = 0;
        for (qsizetype i : line) {
            layout.chips.append(QRectF(x, y, chips.at(i).width(), h));
            x += chips.at(i).width() + kChipGap;
        }
        y += h + kChipGap;
    }
    layout.size = QSizeF(std::max(title.width(), widest),
                         title.height() + kTitleGap + static_cast<double>(n) * h + static_cast<double>(std::max<qsizetype>(n - 1, 0)) * kChipGap);
    return layout;
}

QRectF CorrectionBar::placement(QSizeF size, const QRectF& vf, const std::optional<QRectF>& caret) {
    const double w = size.width(), h = size.height();
    const double minX = vf.x(), maxX = vf.x() + vf.width(), minY = vf.y(), maxY = vf.y() + vf.height();
    double top = maxY - 8;
    double x;
    if (caret) {
        const QRectF& c = *caret;
        const double need = h + 14;
        if (c.y() - minY >= need)
            top = c.y() - 10;  // under the caret
        else if (maxY - (c.y() + c.height()) >= need)
            top = c.y() + c.height() + 10 + h;  // above it
        x = std::min(maxX - w - 8, std::max(minX + 8, c.x() - 8));
    } else {
        x = vf.center().x() - w / 2;
    }
    // Lower bound first: on a screen narrower than the bar the right edge wins.
    x = std::min(std::max(x, minX + 8), maxX - w - 8);
    return QRectF(x, top - h, w, h);
}

std::optional<QRectF> CorrectionBar::readCaret(Accessibility& accessibility, qint32 pid, double primaryHeight,
                                               double timeout) {
    const std::shared_ptr<AccessibleElement> element = accessibility.focusedElementOrDesktops(pid, timeout);
    if (!element) return std::nullopt;
    auto global = [primaryHeight](const QRect& r) {
        return QRectF(r.x(), primaryHeight - r.y() - r.height(), std::max(r.width(), 1), std::max(r.height(), 1));
    };
    if (const std::optional<TextRange> selection = element->selectedRange()) {
        QList<TextRange> candidates;
        if (selection->length > 0)
            candidates = {*selection};
        else if (selection->location >= 1)
            candidates = {TextRange{selection->location, 0}, TextRange{selection->location - 1, 1},
                          TextRange{selection->location, 1}};
        else
            candidates = {TextRange{selection->location, 0}, TextRange{selection->location, 1}};
        for (const TextRange& range : candidates) {
            const std::optional<QRect> bounds = element->boundsForRange(range);
            if (bounds && bounds->height() > 0 && bounds->height() < kMaxCaretHeight) return global(*bounds);
        }
    }
    const std::optional<QRect> field = element->frame();
    if (field && field->width() > 0 && field->height() > 0) return global(*field);
    return std::nullopt;
}

std::optional<QString> CorrectionBar::refusal(const QString& wrong, const QString& right) {
    // A line break would split the rule over two lines of the list, and an arrow in the misheard
    // side would move where the list splits it: both would store another rule. A rule longer
    // than the service keeps would never reach the other devices.
    if (std::any_of(wrong.begin(), wrong.end(), isLineBreak) || std::any_of(right.begin(), right.end(), isLineBreak))
        return QStringLiteral("改行は入れられません（言い直しは1行に1つです）");
    if (wrong.contains(QStringLiteral("→")))
        return QStringLiteral("聞き間違えた言葉に「→」は使えません（左右の区切りです）");
    if (AppPrefs::isCorrectionRuleTooLong(wrong + QStringLiteral(" → ") + right))
        return QStringLiteral("長すぎて保存できません（1つの言い直しは4000字までです）");
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Show and dismiss

std::optional<QRectF> CorrectionBar::visibleFrame() const {
    const QList<Screens::Screen> all = s_->screens.all();
    if (all.isEmpty()) return std::nullopt;
    std::optional<QPointF> near;
    if (caret_)
        near = caret_->center();
    else if (s_->pointer)
        near = s_->pointer->location();
    if (!near) return all.first().visibleFrame;
    return Screens::holding(all, *near)->visibleFrame;
}

void CorrectionBar::show(const QString& text, bool autoClose) {
    dismiss();
    if (!s_) return;
    QStringList words = correctionWords(text, s_->tokenizer);
    if (words.isEmpty()) return;

    words_ = std::move(words);
    pickedWord_.reset();
    caret_.reset();
    autoClose_ = autoClose;
    state_ = State::Chips;
    const quint64 generation = ++generation_;

    // The caret is a round trip to another application: read on the worker, waited for briefly.
    const std::optional<RunningApplication> front = s_->workspace.frontmostApplication();
    if (front && front->isSelf) {
        caretArrived(generation, std::nullopt);
        return;
    }
    const QList<Screens::Screen> all = s_->screens.all();
    const double primaryHeight = all.isEmpty() ? 0.0 : all.first().frame.height();
    Accessibility* accessibility = &s_->accessibility;
    const qint32 pid = front ? front->pid : 0;
    std::weak_ptr<CorrectionBar*> weak = alive_;
    queue_->post([weak, generation, accessibility, pid, primaryHeight] {
        const std::optional<QRectF> caret = readCaret(*accessibility, pid, primaryHeight, kCaretRequestTimeout);
        MainQueue::post([weak, generation, caret] {
            if (auto alive = weak.lock(); alive && *alive) (**alive).caretArrived(generation, caret);
        });
    });
    caretWait_ = MainQueue::after(kCaretWait, [weak, generation] {
        auto alive = weak.lock();
        if (!alive || !*alive) return;
        (**alive).caretWait_ = 0;
        (**alive).caretArrived(generation, std::nullopt);
    });
}

void CorrectionBar::caretArrived(quint64 generation, std::optional<QRectF> caret) {
    // Only the first answer of the bar being opened counts (the caret or the wait running out).
    if (generation != generation_ || state_ != State::Chips || presented_) return;
    MainQueue::cancel(caretWait_);
    caret_ = caret;
    presented_ = true;
    place(layoutChipsView(words_));
    if (autoClose_) scheduleAutoClose();
    watchPointer(true);
}

void CorrectionBar::watchPointer(bool on) {
    if (!s_ || !s_->pointerButtons) return;
    PointerButtons& buttons = *s_->pointerButtons;
    if (!on) {
        buttons.stop();
        return;
    }
    std::weak_ptr<CorrectionBar*> weak = alive_;
    buttons.start([weak](const PointerButtonEvent& event) {
        if (event.type != PointerButtonEvent::Type::Press) return;
        if (auto alive = weak.lock(); alive && *alive) (**alive).pointerPressed(event.location);
    });
}

void CorrectionBar::place(QSizeF size) {
    const std::optional<QRectF> visible = visibleFrame();
    frame_ = visible ? placement(size, *visible, caret_) : QRectF(QPointF(0, 0), size);
    presentView(*frame_);
}

void CorrectionBar::scheduleAutoClose() {
    MainQueue::cancel(dismissWork_);
    std::weak_ptr<CorrectionBar*> weak = alive_;
    dismissWork_ = MainQueue::after(kAutoClose, [weak] {
        auto alive = weak.lock();
        if (!alive || !*alive) return;
        (**alive).dismissWork_ = 0;
        (**alive).dismiss();
    });
}

void CorrectionBar::dismiss() {
    MainQueue::cancel(dismissWork_);
    MainQueue::cancel(caretWait_);
    ++generation_;
    pickedWord_.reset();
    notice_.reset();
    if (state_ == State::Hidden) return;
    const bool hadFocus = presented_ && viewHasFocus();
    state_ = State::Hidden;
    const bool wasPresented = presented_;
    presented_ = false;
    watchPointer(false);
    frame_.reset();
    words_.clear();
    if (wasPresented) closeView();
    if (!appToRestore_) return;
    const RunningApplication app = *appToRestore_;
    appToRestore_.reset();
    if (hadFocus && !app.isSelf && !s_->workspace.isTerminated(app)) s_->workspace.activate(app);
}

// ---------------------------------------------------------------------------------------------
// What the window and the pointer report

void CorrectionBar::chipClicked(const QString& word) {
    std::weak_ptr<CorrectionBar*> weak = alive_;
    const quint64 generation = generation_;
    MainQueue::post([weak, generation, word] {
        auto alive = weak.lock();
        if (alive && *alive && (**alive).generation_ == generation) (**alive).pickWord(word);
    });
}

void CorrectionBar::pickWord(const QString& word) {
    if (state_ != State::Chips || !presented_) return;
    MainQueue::cancel(dismissWork_);
    pickedWord_ = word;
    state_ = State::Editing;
    const std::optional<RunningApplication> front = s_->workspace.frontmostApplication();
    appToRestore_ = front && !front->isSelf ? front : std::nullopt;
    place(layoutEditorView(word));
    focusEditorView();
}

void CorrectionBar::pointerEntered() {
    if (state_ == State::Chips && presented_) MainQueue::cancel(dismissWork_);
}

void CorrectionBar::pointerExited() {
    if (state_ == State::Chips && presented_) scheduleAutoClose();
}

bool CorrectionBar::save(const QString& wrongText, const QString& rightText) {
    if (state_ != State::Editing) return false;
    const QString wrong = trimBlanks(wrongText);
    const QString right = trimBlanks(rightText);
    if (wrong.isEmpty() || right.isEmpty()) return false;
    if (std::optional<QString> why = refusal(wrong, right)) {
        // Said in the bar, where the user is looking; the fields keep what was typed.
        notice_ = std::move(why);
        const QSizeF size = layoutEditorNotice(*notice_);
        if (!size.isEmpty()) place(size);
        return false;
    }
    AppPrefs::addCorrection(wrong, right);
    dismiss();
    // The same word on both sides (also spelled with other code points) stores nothing.
    if (nfc(wrong) != nfc(right))
        Toast::show(QStringLiteral("言い直しに追加: ") + wrong + QStringLiteral(" → ") + right, std::nullopt,
                    kToastSeconds);
    return true;
}

void CorrectionBar::focusLost() {
    if (state_ == State::Editing) dismiss();
}

void CorrectionBar::pointerPressed(QPointF global) {
    if (state_ == State::Hidden || !presented_) return;
    if (frame_ && frame_->contains(global)) return;  // on the bar: its own chips and fields handle it
    std::weak_ptr<CorrectionBar*> weak = alive_;
    const quint64 generation = generation_;
    MainQueue::post([weak, generation] {
        auto alive = weak.lock();
        if (alive && *alive && (**alive).generation_ == generation) (**alive).dismiss();
    });
}
