#pragma once

#include "onboarding/ui/OnboardingPanel.h"

class QLabel;

// A two-state chip: a 30-high capsule with its title; filled with `onColor` and dark text
// when on, a card fill with muted text when off.
class OnboardingChipView : public OnboardingPanel {
    Q_OBJECT
public:
    OnboardingChipView(const QString& title, bool on, QColor onColor, QWidget* parent = nullptr);

    QLabel* label() const { return label_; }
    QColor onColor() const { return onColor_; }
    bool isOn() const { return isOn_; }
    // Re-applies the style at once.
    void setIsOn(bool on);
    void applyStyle();

private:
    QLabel* label_;
    QColor onColor_;
    bool isOn_;
};
