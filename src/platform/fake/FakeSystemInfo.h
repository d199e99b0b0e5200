#pragma once

#include "platform/SystemInfo.h"

// SystemInfo for tests: fixed answers the test may change.
class FakeSystemInfo final : public SystemInfo {
public:
    QString model = QStringLiteral("Test Machine 1");
    QString version = QStringLiteral("6.1.0");
    QString locale = QStringLiteral("ja_JP");
    bool laptop = false;

    QString hardwareModel() const override { return model; }
    QString systemVersion() const override { return version; }
    QString localeIdentifier() const override { return locale; }
    bool isLaptop() const override { return laptop; }
};
