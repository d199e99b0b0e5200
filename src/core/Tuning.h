#pragma once

#include <QVariant>
#include <QVariantMap>
#include <optional>

// Numeric tuning of the audio prepared for the cloud, read from the `prepTuning` dictionary with
// built-in defaults and ranges.
namespace Tuning {

std::optional<double> doubleValue(const QVariant& value);
std::optional<double> trimParameter(int index);
double maxSpeedFactor(int percent);
// "base": target upload seconds, (0, 300], default 10.
double baseSeconds();
// The four trim parameters with their ranges and defaults applied.
struct TrimParameters {
    double noiseQuantile;   // 0.25
    double thresholdFactor; // 3.0
    double thresholdFloor;  // 120.0
    int marginFrames;       // 6
};
TrimParameters trimParameters();
void store(const QVariantMap& reply);

}  // namespace Tuning
