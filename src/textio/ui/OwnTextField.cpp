#include "textio/ui/OwnTextField.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace OwnTextField {

bool insert(const QString& text) {
    if (!QApplication::activeWindow()) return false;
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !focus->isVisible()) return false;
    if (auto* line = qobject_cast<QLineEdit*>(focus)) {
        if (line->isReadOnly() || line->echoMode() != QLineEdit::Normal) return false;
        line->insert(text);
        return true;
    }
    if (auto* edit = qobject_cast<QTextEdit*>(focus)) {
        if (edit->isReadOnly()) return false;
        edit->textCursor().insertText(text);
        return true;
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focus)) {
        if (plain->isReadOnly()) return false;
        plain->textCursor().insertText(text);
        return true;
    }
    return false;
}

}  // namespace OwnTextField
