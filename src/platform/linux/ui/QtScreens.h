#pragma once

#include "platform/Screens.h"

// Screens from Qt, converted once to the global y-up space (origin at the bottom-left of the
// primary screen).
class QtScreens final : public Screens {
public:
    QList<Screen> all() const override;
    std::optional<Screen> main() const override;
    bool compositing() const override;
};
