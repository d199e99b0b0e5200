#include "onboarding/ui/OnboardingTextFade.h"

#include "onboarding/ui/OnboardingLabel.h"

#include <QLabel>

OnboardingTextFade::OnboardingTextFade(QLabel* label, QColor color, double opacity)
    : QObject(label), label_(label), color_(color), fade_(opacity) {
    apply();
}

OnboardingTextFade::~OnboardingTextFade() { MainQueue::cancel(frame_); }

void OnboardingTextFade::fadeTo(double opacity, double seconds) {
    fade_.start(opacity, seconds);
    apply();
    if (fade_.isMoving() && !frame_) frame_ = MainQueue::every(1.0 / 60, [this] { apply(); });
}

void OnboardingTextFade::apply() {
    QColor color = color_;
    color.setAlphaF(float(color_.alphaF() * fade_.value()));
    setOnboardingLabelColor(label_, color);
    if (!fade_.isMoving()) MainQueue::cancel(frame_);
}
