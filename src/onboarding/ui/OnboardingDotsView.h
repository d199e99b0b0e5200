#pragma once

#include <QWidget>

// The page indicator: one 6-point dot per screen, the current one a short accent bar 18
// wide, 8 points apart. The owner writes `count` and `current` and then calls update().
class OnboardingDotsView : public QWidget {
    Q_OBJECT
public:
    explicit OnboardingDotsView(QWidget* parent = nullptr);

    int count = 0;    // number of dots; a negative value counts as none
    int current = 0;  // the highlighted dot; outside 0…count−1 none is highlighted

    static constexpr double dotSize = 6;
    static constexpr double onWidth = 18;
    static constexpr double gap = 8;

    // Zero for no dots; otherwise (count − 1) × 14 + 18 wide and 6 high.
    QSize sizeHint() const override;
    // The rectangle of every dot, in order, in the view's coordinates (bottom-aligned).
    QList<QRectF> dotRects() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
