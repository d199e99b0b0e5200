#pragma once

#include <QWidget>
#include <functional>

// A symbol (named as the design names its icons: "mic.fill", "chevron.right", …) drawn from the
// Material Icons font in a palette colour, centred in its frame. An unknown name draws nothing but
// keeps its frame, so rows stay aligned.
class SymbolLabel : public QWidget {
    Q_OBJECT
public:
    using ColorSource = std::function<QColor()>;

    // `pixelSize`: the symbol's size; `frame`: the box it is centred in (empty: just the symbol).
    SymbolLabel(const QString& name, double pixelSize, ColorSource color, QSize frame = {},
                QWidget* parent = nullptr);

    QString name() const { return name_; }
    void setName(const QString& name);
    void setColorSource(ColorSource color);
    QColor color() const;

    // The Material Icons ligature for a symbol name; empty when there is none.
    static QString ligature(const QString& name);
    static QFont symbolFont(double pixelSize);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString name_;
    double pixelSize_;
    ColorSource color_;
    QSize frame_;
};
