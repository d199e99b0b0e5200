#pragma once

#include "platform/LoginItem.h"

class FakeLoginItem final : public LoginItem {
public:
    bool enabled = false;
    QString failWith;  // non-empty: every change fails with this text
    int changes = 0;

    bool isEnabled() const override { return enabled; }
    QString enable() override { return change(true); }
    QString disable() override { return change(false); }

private:
    QString change(bool on) {
        ++changes;
        if (!failWith.isEmpty()) return failWith;
        enabled = on;
        return QString();
    }
};
