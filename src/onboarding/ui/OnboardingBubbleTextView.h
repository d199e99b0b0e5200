#pragma once

#include "onboarding/ui/OnboardingPanel.h"

class QPlainTextEdit;

// The practice bubble: a rounded card holding an editable plain-text field, where the user's
// first dictation lands.
class OnboardingBubbleTextView : public OnboardingPanel {
    Q_OBJECT
public:
    OnboardingBubbleTextView(double width, double height, QWidget* parent = nullptr);

    QPlainTextEdit* textView() const { return textView_; }

private:
    QPlainTextEdit* textView_;
};
