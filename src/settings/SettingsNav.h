#pragma once

#include "settings/SettingsScreen.h"

#include <QList>
#include <QtGlobal>
#include <functional>
#include <map>

// The navigation of the settings window: a stack of screens from the root to the one shown, and
// the direction of the last move (which way the pages slide). Group screens push the screens of
// their rows; the header's back button pops; the window resets to the root whenever it hides.
//
// Observers are told after every change of the stack or the direction. Main thread only.
class SettingsNav {
public:
    using ObserverId = quint64;
    using Observer = std::function<void()>;

    SettingsNav() = default;
    SettingsNav(const SettingsNav&) = delete;
    SettingsNav& operator=(const SettingsNav&) = delete;

    // Screens from the root to the one shown; never empty.
    const QList<SettingsScreen>& stack() const { return stack_; }
    // True when the last move went backwards (pop or reset).
    bool back() const { return back_; }
    // The screen shown: the last of the stack.
    SettingsScreen top() const;
    // Whether the page shows a back button.
    bool canGoBack() const { return stack_.size() > 1; }

    // Forward to a screen (duplicates are allowed: a screen may be opened from two places).
    void push(SettingsScreen screen);
    // Back one screen; nothing on the root.
    void pop();
    // Back to the root in one move (the window hid or closed).
    void resetToRoot();

    // The two halves of a push, for screens that set the direction themselves.
    void setBack(bool back);
    void appendToStack(SettingsScreen screen);

    ObserverId observe(Observer observer);
    void unobserve(ObserverId id);

private:
    void notify();

    QList<SettingsScreen> stack_{SettingsScreen::root};
    bool back_ = false;
    std::map<ObserverId, Observer> observers_;
    ObserverId nextObserver_ = 1;
};
