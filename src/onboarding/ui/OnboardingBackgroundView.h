#pragma once

#include <QWidget>

// The onboarding window's background: the deep base colour with a dark blue glow that spreads
// from just above the top centre and darkens towards the bottom corners.
class OnboardingBackgroundView : public QWidget {
    Q_OBJECT
public:
    explicit OnboardingBackgroundView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
