#pragma once

#include "platform/LoginItem.h"

// The login item as an XDG autostart entry, $XDG_CONFIG_HOME/autostart/orvane.desktop (or
// ~/.config/autostart/), that runs the bundle's executable.
class XdgLoginItem final : public LoginItem {
public:
    explicit XdgLoginItem(QString executablePath);

    bool isEnabled() const override;
    QString enable() override;
    QString disable() override;

    QString entryPath() const;
    QString entryText() const;

private:
    QString executable_;
};
