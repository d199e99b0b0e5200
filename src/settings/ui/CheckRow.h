#pragma once

#include "settings/ui/RowButton.h"

class PaletteLabel;
class SymbolLabel;

// A choice row: the title with an optional second line, and a check mark when chosen. The whole
// row is the button. It has no side paddings of its own (the list around it gives them).
class CheckRow : public RowButton {
    Q_OBJECT
public:
    CheckRow(const QString& title, const QString& subtitle, bool checked, Action action, QWidget* parent = nullptr);

    QString title() const;
    bool isChecked() const { return checked_; }
    void setChecked(bool checked);
    // Null when the subtitle is empty.
    PaletteLabel* subtitleLabel() const { return subtitle_; }
    SymbolLabel* checkMark() const { return check_; }

private:
    bool checked_;
    PaletteLabel* title_ = nullptr;
    PaletteLabel* subtitle_ = nullptr;
    SymbolLabel* check_ = nullptr;
};
