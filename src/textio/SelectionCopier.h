#pragma once

// Copy-on-select: copies what the user selects with the mouse in any application. This base is
// the switch the rest of the application turns; without an implementation it does nothing.
class SelectionCopier {
public:
    virtual ~SelectionCopier() = default;
    virtual void start() {}
    virtual void stop() {}
};
