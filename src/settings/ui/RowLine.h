#pragma once

#include <QWidget>

// The hairline between two rows of a group, inset 14 on the leading side, reaching the trailing
// edge of the card.
class RowLine : public QWidget {
    Q_OBJECT
public:
    explicit RowLine(QWidget* parent = nullptr);

    static constexpr int kInset = 14;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
};
