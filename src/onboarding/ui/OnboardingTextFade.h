#pragma once

#include "onboarding/OnboardingFade.h"
#include "platform/MainQueue.h"

#include <QColor>
#include <QObject>

class QLabel;

// Fades a label's text in and out (the alpha of its text colour) on the main queue's clock. It
// lives as a child of the label and goes with it. Fading the colour, rather than the label
// through an opacity effect, leaves the window free to fade the whole screen.
class OnboardingTextFade : public QObject {
    Q_OBJECT
public:
    OnboardingTextFade(QLabel* label, QColor color, double opacity);
    ~OnboardingTextFade() override;

    // Moves from the current opacity to `opacity` over `seconds` (at once for 0 or less).
    void fadeTo(double opacity, double seconds);
    // Holds the opacity reached so far.
    void stop() { fadeTo(opacity(), 0); }
    double opacity() const { return fade_.value(); }
    bool isFading() const { return frame_ != 0; }

private:
    void apply();

    QLabel* label_;
    QColor color_;
    OnboardingFade fade_;
    MainQueue::TimerId frame_ = 0;
};
