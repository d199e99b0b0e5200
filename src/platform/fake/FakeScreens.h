#pragma once

#include "platform/Screens.h"

// Screens with settable frames; the first is the primary, `mainIndex` the one with the focus.
class FakeScreens final : public Screens {
public:
    QList<Screen> screens;
    int mainIndex = 0;
    bool compositingManager = true;

    QList<Screen> all() const override { return screens; }
    std::optional<Screen> main() const override {
        if (mainIndex < 0 || mainIndex >= screens.size()) return std::nullopt;
        return screens.at(mainIndex);
    }
    bool compositing() const override { return compositingManager; }
};
