#pragma once

#include <QScrollArea>

class QVBoxLayout;

// The frame of a settings page that draws no background of its own: a vertical scroll area
// (never horizontal) holding one column of the page's content, padded 20 on every side and kept at
// the top left when it is shorter than the window.
class PlainPage : public QScrollArea {
    Q_OBJECT
public:
    explicit PlainPage(int spacing, QWidget* parent = nullptr);

    // Appends a block to the column.
    void add(QWidget* widget);
    QVBoxLayout* column() const { return column_; }

    static constexpr int kPadding = 20;

private:
    QVBoxLayout* column_ = nullptr;
};
