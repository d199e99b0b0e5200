#pragma once

#include <functional>

// A two-way link to a value held elsewhere (usually a property of the settings model): the widget
// reads it through `get` and writes the user's change through `set`.
template <typename T>
struct Binding {
    std::function<T()> get;
    std::function<void(T)> set;

    T value() const { return get ? get() : T{}; }
    void assign(T value) const {
        if (set) set(value);
    }
};
