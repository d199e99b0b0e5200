#pragma once

#include <QWidget>

class PaletteLabel;
class SymbolLabel;

// One line of what a feature does ("checkmark") or does not do ("xmark"): the symbol in a small
// fixed frame beside a wrapping sentence. A check line is drawn in the text colour, any other in
// the secondary text colour.
class FactRow : public QWidget {
    Q_OBJECT
public:
    FactRow(const QString& icon, const QString& text, QWidget* parent = nullptr);

    bool isCheck() const { return isCheck_; }
    QString text() const;
    SymbolLabel* symbol() const { return symbol_; }
    PaletteLabel* textLabel() const { return text_; }

private:
    bool isCheck_;
    SymbolLabel* symbol_ = nullptr;
    PaletteLabel* text_ = nullptr;
};
