#pragma once

#include <QWidget>
#include <functional>

// One line of text in a palette colour, cut with an ellipsis when it does not fit. It asks for its
// full width but can be squeezed to nothing.
class ElidedLabel : public QWidget {
    Q_OBJECT
public:
    using ColorSource = std::function<QColor()>;

    ElidedLabel(const QString& text, const QFont& font, ColorSource color, QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    // The text as drawn at the current width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString text_;
    ColorSource color_;
};
