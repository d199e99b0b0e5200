#include "onboarding/OnboardingSwitchKeysDemo.h"

void OnboardingSwitchKeysDemo::start() {
    stop();
    tick_ = qualityStep_ = styleStep_ = 0;
    timer_ = MainQueue::every(kStepSeconds, [this] { step(); });
}

void OnboardingSwitchKeysDemo::step() {
    ++tick_;
    if (tick_ % 2 == 1) {
        ++qualityStep_;
        if (onQualityStep) onQualityStep(qualityChip());
    } else {
        ++styleStep_;
        if (onStyleStep) onStyleStep(styleChip());
    }
}
