#pragma once

#include <QScrollArea>

class QVBoxLayout;

// The frame of a settings page: a vertical scroll area over the page background, holding one
// column of items with a given spacing, inset 20 on every edge. Items keep to the top and use the
// full width; short content stays at the top-left and long content scrolls vertically only.
class EditorPage : public QScrollArea {
    Q_OBJECT
public:
    explicit EditorPage(int spacing, QWidget* parent = nullptr);

    // Appends an item to the column.
    void add(QWidget* item);
    // Appends a nested layout to the column (for items side by side).
    void addLayout(QLayout* layout);
    QWidget* column() const { return column_; }
    QVBoxLayout* columnLayout() const { return layout_; }

    static constexpr int kPadding = 20;

private:
    QWidget* column_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
};
