#include "settings/SettingsNav.h"

#include <vector>

SettingsScreen SettingsNav::top() const { return stack_.isEmpty() ? SettingsScreen::root : stack_.last(); }

void SettingsNav::push(SettingsScreen screen) {
    back_ = false;
    stack_.append(screen);
    notify();
}

void SettingsNav::pop() {
    if (stack_.size() < 2) return;
    back_ = true;
    stack_.removeLast();
    notify();
}

void SettingsNav::resetToRoot() {
    back_ = true;
    stack_ = {SettingsScreen::root};
    notify();
}

void SettingsNav::setBack(bool back) {
    if (back_ == back) return;
    back_ = back;
    notify();
}

void SettingsNav::appendToStack(SettingsScreen screen) {
    stack_.append(screen);
    notify();
}

SettingsNav::ObserverId SettingsNav::observe(Observer observer) {
    const ObserverId id = nextObserver_++;
    observers_.emplace(id, std::move(observer));
    return id;
}

void SettingsNav::unobserve(ObserverId id) { observers_.erase(id); }

void SettingsNav::notify() {
    // An observer may unobserve (or observe) while we call: call the ones present at the start
    // that are still registered.
    std::vector<ObserverId> ids;
    ids.reserve(observers_.size());
    for (const auto& [id, observer] : observers_) ids.push_back(id);
    for (ObserverId id : ids) {
        const auto it = observers_.find(id);
        if (it == observers_.end()) continue;
        const Observer observer = it->second;
        observer();
    }
}
