#pragma once

#include <QString>

// Starting the application when the user logs in.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool isEnabled() const = 0;
    // Both return an empty string on success, else what went wrong.
    virtual QString enable() = 0;
    virtual QString disable() = 0;
};
