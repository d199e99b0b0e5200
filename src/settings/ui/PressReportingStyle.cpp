#include "settings/ui/PressReportingStyle.h"

#include <QAbstractButton>

PressReportingStyle::PressReportingStyle(QAbstractButton* button, std::function<void(bool)> pressed)
    : QObject(button), pressed_(std::move(pressed)) {
    connect(button, &QAbstractButton::pressed, this, [this] { report(true); });
    connect(button, &QAbstractButton::released, this, [this] { report(false); });
}

void PressReportingStyle::report(bool pressed) {
    if (pressed == state_) return;
    state_ = pressed;
    if (pressed_) pressed_(pressed);
}
