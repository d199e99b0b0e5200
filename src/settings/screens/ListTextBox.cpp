#include "settings/screens/ListTextBox.h"

#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>

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

    applying_ = true;
    editor_->setPlainText(text_.value());
    applying_ = false;
    updatePlaceholder();
    connect(editor_, &QPlainTextEdit::textChanged, this, [this] { edited(); });
}

bool ListTextBox::showsPlaceholder() const { return !placeholder_->isHidden(); }

void ListTextBox::edited() {
    if (applying_) return;
    text_.assign(editor_->toPlainText());
    updatePlaceholder();
}

void ListTextBox::refresh() {
    const QString text = text_.value();
    if (editor_->toPlainText() != text) {
        // Taken from outside: the caret goes to the end, as after typing the text.
        applying_ = true;
        editor_->setPlainText(text);
        editor_->moveCursor(QTextCursor::End);
        applying_ = false;
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
