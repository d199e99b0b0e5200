#pragma once

#include <QColor>
#include <QWidget>

class QPainter;

// A rounded, filled and outlined rectangle: the background of the kit's cards, rows, tiles
// and chips. The border is drawn inside the bounds.
class OnboardingPanel : public QWidget {
    Q_OBJECT
public:
    OnboardingPanel(QColor fill, QColor border, double borderWidth, double radius, QWidget* parent = nullptr);

    void setColors(QColor fill, QColor border);
    QColor fill() const { return fill_; }
    QColor border() const { return border_; }
    double radius() const { return radius_; }

    static void paint(QPainter& painter, const QRectF& bounds, const QColor& fill, const QColor& border,
                      double borderWidth, double radius);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
    QColor border_;
    double borderWidth_;
    double radius_;
};
