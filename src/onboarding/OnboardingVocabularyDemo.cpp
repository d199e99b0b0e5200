#include "onboarding/OnboardingVocabularyDemo.h"

void OnboardingVocabularyDemo::start() {
    loop_.stop();
    enter(State::plain);
}

void OnboardingVocabularyDemo::enter(State state) {
    state_ = state;
    if (onState) onState(state);
    switch (state) {
    case State::plain: loop_.after(kPlainSeconds, [this] { enter(State::marked); }); break;
    case State::marked: loop_.after(kMarkedSeconds, [this] { enter(State::spelled); }); break;
    case State::spelled: loop_.after(kSpelledSeconds, [this] { enter(State::plain); }); break;
    }
}
