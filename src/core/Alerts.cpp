#include "core/Alerts.h"

#include <atomic>

namespace {
std::atomic<AlertRunner*> installedRunner{nullptr};
}

void AlertRunner::install(AlertRunner* runner) { installedRunner.store(runner); }
AlertRunner* AlertRunner::installed() { return installedRunner.load(); }

int runModalAlert(const Alert& alert) {
    if (AlertRunner* runner = AlertRunner::installed()) return runner->run(alert);
    return alert.buttons.size() > 1 ? AlertRunner::kFirstButton + 1 : AlertRunner::kFirstButton;
}
