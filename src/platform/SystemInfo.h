#pragma once

#include <QString>

// Facts about the machine: what the usage report carries, and its body (the onboarding's picture).
class SystemInfo {
public:
    virtual ~SystemInfo() = default;

    // The machine's model name as its firmware reports it; empty when unknown.
    virtual QString hardwareModel() const = 0;
    // The running system's version as "major.minor.patch" in decimal.
    virtual QString systemVersion() const = 0;
    // The user's locale identifier, such as "ja_JP".
    virtual QString localeIdentifier() const = 0;
    // A portable machine: it runs on a battery.
    virtual bool isLaptop() const = 0;
};
