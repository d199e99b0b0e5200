#pragma once

#include <QAbstractButton>
#include <functional>

// The plain button behind the clickable rows and cards: no bezel and no background of its own, the
// whole rectangle (paddings and empty space included) takes the click, which runs `action`.
class RowButton : public QAbstractButton {
    Q_OBJECT
public:
    using Action = std::function<void()>;

    explicit RowButton(Action action, QWidget* parent = nullptr);

    void setAction(Action action) { action_ = std::move(action); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Action action_;
};
