#include "onboarding/ui/OnboardingScreenVocabulary.h"

OnboardingScreenViews OnboardingScreenVocabulary::makeViews(OnboardingV2Window&) {
    return {{}, QStringLiteral("ことばを、覚えさせる。"), {}};
}
