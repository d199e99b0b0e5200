#pragma once

#include "platform/SystemInfo.h"

// The machine's model from the firmware tables (DMI, or the device tree on boards without
// them), the kernel's version, the locale Qt derives from the environment, and whether a battery
// is among /sys/class/power_supply.
class LinuxSystemInfo final : public SystemInfo {
public:
    QString hardwareModel() const override;
    QString systemVersion() const override;
    QString localeIdentifier() const override;
    // A battery among the power supplies the kernel lists.
    bool isLaptop() const override;
    static bool hasBattery(const QString& powerSupplyFolder);

    // "major.minor.patch" from the leading numbers of a release text such as "6.1.0-18-amd64";
    // missing parts are 0.
    static QString versionTriple(const QString& release);
};
