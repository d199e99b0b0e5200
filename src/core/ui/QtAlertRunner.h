#pragma once

#include "core/Alerts.h"

// Modal alerts as QMessageBox dialogs.
class QtAlertRunner final : public AlertRunner {
public:
    int run(const Alert& alert) override;

    // The narrowest the box lays its text out (logical pixels).
    static constexpr int kMinimumTextWidth = 360;
};
