#pragma once

#include <QImage>
#include <QWidget>

// A drawn desktop screen with its menu bar (the clock, the system's items and the application's
// own icon glowing among them) and a dock, on a laptop base or a desktop stand.
class OnboardingMenuBarMockView : public QWidget {
    Q_OBJECT
public:
    // `laptop` picks the body; `statusIcon` is the application's tray icon (may be null).
    OnboardingMenuBarMockView(double width, bool laptop, QImage statusIcon, QWidget* parent = nullptr);

    bool isLaptop() const { return laptop_; }
    // The screen part, in the view's coordinates.
    QRectF screenRect() const;
    // Where the application's icon sits, in the view's coordinates.
    QRectF statusIconRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double width_;
    bool laptop_;
    QImage statusIcon_;
};
