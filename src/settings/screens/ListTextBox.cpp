#include "settings/screens/ListTextBox.h"

#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The editor's text for a stored text: each line break (LF, CR LF, a lone CR) is one paragraph
// break; every other character is kept. `starts` gets where each character of the result begins
// in `text`, then the end of `text`.
QString editorText(const QString& text, QList<qsizetype>& starts) {
    QString out;
    out.reserve(text.size());
    starts.clear();
    starts.reserve(text.size() + 1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        starts.append(i);
        const QChar c = text.at(i);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') ++i;
        out += (c == u'\n' || c == u'\r') ? QChar(QChar::ParagraphSeparator) : c;
    }
    starts.append(text.size());
    return out;
}

// What the user typed, for the store: a new paragraph is a line feed, everything else as typed.
QString typedText(QString editorText) { return editorText.replace(QChar(QChar::ParagraphSeparator), u'\n'); }

}  // namespace

ListTextBox::ListTextBox(const QString& placeholder, int height, Binding<QString> text, QWidget* parent)
    : QWidget(parent), text_(std::move(text)) {
    setFixedHeight(height + 2 * kEditorInset);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kEditorInset, kEditorInset, kEditorInset, kEditorInset);
    layout->setSpacing(0);

    editor_ = new QPlainTextEdit(this);
    editor_->setFont(SettingsFont::make(12));
    editor_->setFrameShape(QFrame::NoFrame);
    editor_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    editor_->setTabChangesFocus(true);
    // The box draws the background; the editor stays transparent over it.
    editor_->setAutoFillBackground(false);
    editor_->viewport()->setAutoFillBackground(false);
    editor_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
    layout->addWidget(editor_);

    placeholder_ = new PaletteLabel(placeholder, SettingsFont::make(11), [] { return Palette::systemSecondary(); }, this);
    placeholder_->setAttribute(Qt::WA_TransparentForMouseEvents);
    placeholder_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    placeholder_->move(kPlaceholderInsetX, kPlaceholderInsetY);
    placeholder_->adjustSize();
    placeholder_->raise();

    load(text_.value());
    updatePlaceholder();
    connect(editor_->document(), &QTextDocument::contentsChange, this, [this](int position, int, int) {
        if (!applying_) changedFrom_ = changedFrom_ < 0 ? position : std::min(changedFrom_, position);
    });
    connect(editor_, &QPlainTextEdit::textChanged, this, [this] { edited(); });
    editor_->installEventFilter(this);
}

bool ListTextBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier) {
            QTextCursor cursor = editor_->textCursor();
            cursor.insertBlock();
            editor_->setTextCursor(cursor);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ListTextBox::load(const QString& text) {
    applying_ = true;
    editor_->setPlainText(text);
    applying_ = false;
    stored_ = text;
    shown_ = editor_->document()->toRawText();
    if (editorText(text, starts_) != shown_) starts_.clear();
    changedFrom_ = -1;
}

bool ListTextBox::showsPlaceholder() const { return !placeholder_->isHidden(); }

void ListTextBox::edited() {
    if (applying_) return;
    const QString now = editor_->document()->toRawText();
    QString text;
    QList<qsizetype> starts;
    if (starts_.isEmpty()) {
        text = typedText(now);
        if (editorText(text, starts) != now) starts.clear();
    } else {
        // The edit is what lies between the unchanged head and tail (the head ends no later than
        // where the editor reported the first change): only that part is taken from the editor.
        const qsizetype before = shown_.size(), after = now.size(), shorter = std::min(before, after);
        qsizetype head = 0;
        while (head < shorter && shown_.at(head) == now.at(head)) ++head;
        if (changedFrom_ >= 0) head = std::min<qsizetype>(head, changedFrom_);
        qsizetype tail = 0;
        while (tail < shorter - head && shown_.at(before - 1 - tail) == now.at(after - 1 - tail)) ++tail;
        const QString typed = typedText(now.mid(head, after - head - tail));
        text = stored_.left(starts_.at(head)) + typed + stored_.mid(starts_.at(before - tail));
        starts = starts_.mid(0, head);
        for (qsizetype i = 0; i < typed.size(); ++i) starts.append(starts_.at(head) + i);
        const qsizetype shift = starts_.at(head) + typed.size() - starts_.at(before - tail);
        for (qsizetype i = before - tail; i <= before; ++i) starts.append(starts_.at(i) + shift);
    }
    stored_ = text;
    shown_ = now;
    starts_ = starts;
    changedFrom_ = -1;
    text_.assign(text);
    updatePlaceholder();
}

void ListTextBox::refresh() {
    const QString text = text_.value();
    if (text != stored_) {
        // Taken from outside: the caret goes to the end, as after typing the text.
        load(text);
        editor_->moveCursor(QTextCursor::End);
    }
    updatePlaceholder();
}

void ListTextBox::updatePlaceholder() { placeholder_->setVisible(text_.value().isEmpty()); }

void ListTextBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(box, kCornerRadius, kCornerRadius);
    painter.fillPath(path, Palette::withOpacity(Palette::labelColor(), 0.05));
    painter.setPen(QPen(Palette::separator(), 1));
    painter.drawPath(path);
}

void ListTextBox::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Palette::isAppearanceChange(event)) {
        placeholder_->refreshColor();
        update();
    }
}
