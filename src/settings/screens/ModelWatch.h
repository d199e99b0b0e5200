#pragma once

#include "settings/BetaSettingsModel.h"

#include <functional>

class QObject;

// Keeps a screen's widgets in step with the model: `refresh` runs after every change the model
// publishes, until `owner` is destroyed (the observation ends with it). The model must outlive
// the owner, as the settings window's model outlives its pages.
void watchModel(QObject* owner, BetaSettingsModel& model, std::function<void()> refresh);
