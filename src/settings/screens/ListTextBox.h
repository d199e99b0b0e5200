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
// revert, a reload, words added by a preset), leaving the editor alone when it already shows it.
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

private:
    void edited();
    void updatePlaceholder();

    Binding<QString> text_;
    QPlainTextEdit* editor_ = nullptr;
    PaletteLabel* placeholder_ = nullptr;
    bool applying_ = false;
};
