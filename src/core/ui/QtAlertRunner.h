#pragma once

#include "core/Alerts.h"

// Modal alerts as QMessageBox dialogs.
class QtAlertRunner final : public AlertRunner {
public:
    int run(const Alert& alert) override;
};
