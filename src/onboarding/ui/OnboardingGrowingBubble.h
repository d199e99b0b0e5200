#pragma once

#include "onboarding/ui/OnboardingPanel.h"

class QLabel;

// A rounded card whose text stands on its bottom margin: added lines push the text upwards, and
// what passes the top edge is cut off.
class OnboardingGrowingBubble : public OnboardingPanel {
    Q_OBJECT
public:
    OnboardingGrowingBubble(double width, double height, QWidget* parent = nullptr);

    void setText(const QString& text);
    QLabel* label() const { return label_; }

private:
    QLabel* label_;
    int innerWidth_;
    static constexpr int kPad = 16;
};
