#pragma once

#include "settings/ui/Binding.h"

#include <QString>
#include <QWidget>

class PaletteLabel;
class QPlainTextEdit;

// The multi-line text box of the list editors: a plain-text editor at 12, `height` high and inset 4
// on every edge, inside a rounded, faintly filled and outlined box, with a placeholder over it while the text is empty
// (the placeholder lets clicks through to the editor).
//
// The text lives elsewhere (a property of the settings model): every edit is written through the
// binding at once; refresh() takes the bound text back into the editor when it changed there (a
// revert, words added by a preset), leaving the editor and its caret alone when it did not.
//
// The editor holds every line break as one paragraph break, so its text is not the stored text
// (a CR LF reads as one break). The box keeps the stored text and writes back only what an edit
// touched: characters outside it stay exactly as they were stored, and the stored text is not
// rewritten until the user edits. A new line the user makes is a line feed (Shift+Return too,
// which the editor would make a line separator that no list reads as a line break).
class ListTextBox : public QWidget {
    Q_OBJECT
public:
    ListTextBox(const QString& placeholder, int height, Binding<QString> text, QWidget* parent = nullptr);

    QPlainTextEdit* editor() const { return editor_; }
    PaletteLabel* placeholder() const { return placeholder_; }
    // Whether the placeholder is shown: exactly while the bound text is empty.
    bool showsPlaceholder() const;

    // Reads the bound text again.
    void refresh();

    static constexpr int kCornerRadius = 7;
    static constexpr int kEditorInset = 4;
    static constexpr int kPlaceholderInsetX = 9;
    static constexpr int kPlaceholderInsetY = 12;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load(const QString& text);
    void edited();
    void updatePlaceholder();

    Binding<QString> text_;
    QString stored_;  // the bound text the editor shows, as stored
    QString shown_;   // the editor's own text for it (paragraph breaks as U+2029)
    // Where each character of shown_ begins in stored_, and stored_'s end; empty where the two do
    // not line up (the editor then stands for the whole text).
    QList<qsizetype> starts_;
    int changedFrom_ = -1;  // the first editor position touched since the last edit was taken
    QPlainTextEdit* editor_ = nullptr;
    PaletteLabel* placeholder_ = nullptr;
    bool applying_ = false;
};
