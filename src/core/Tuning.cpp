#include "core/Tuning.h"

#include "core/AppPrefs.h"
#include "platform/Defaults.h"

#include <cmath>

namespace Tuning {

namespace {

// `prepTuning` as a dictionary; a stored value of another kind reads as an empty one.
QVariantMap prepTuning() {
    const QVariant v = AppPrefs::defaults().object(QStringLiteral("prepTuning"));
    return Defaults::isDictionary(v) ? v.toMap() : QVariantMap();
}

double inRangeOr(const std::optional<double>& value, double low, double high, double fallback) {
    return (value && *value >= low && *value <= high) ? *value : fallback;
}

}  // namespace

std::optional<double> doubleValue(const QVariant& value) {
    // Only numeric objects count: a bool is not a number, and text that looks like one is not either.
    if (!Defaults::isNumber(value)) return std::nullopt;
    const double d = value.toDouble();
    if (!std::isfinite(d)) return std::nullopt;
    return d;
}

std::optional<double> trimParameter(int index) {
    const QVariantMap tuning = prepTuning();
    if (tuning.isEmpty()) return std::nullopt;
    const QVariant trim = tuning.value(QStringLiteral("trim"));
    if (!Defaults::isArray(trim)) return std::nullopt;
    const QVariantList list = trim.toList();
    if (index < 0 || index >= list.size()) return std::nullopt;
    return doubleValue(list.at(index));
}

double maxSpeedFactor(int percent) {
    // A percent of zero or below cannot come from the settings; no speed-up is the safe answer.
    if (percent <= 0) return 1.0;
    const double fallback = 100.0 / percent;
    const QVariant caps = prepTuning().value(QStringLiteral("caps"));
    if (!Defaults::isDictionary(caps)) return fallback;
    const std::optional<double> cap = doubleValue(caps.toMap().value(QString::number(percent)));
    return inRangeOr(cap, 1.0, 3.0, fallback);
}

double baseSeconds() {
    const std::optional<double> base = doubleValue(prepTuning().value(QStringLiteral("base")));
    return (base && *base > 0.0 && *base <= 300.0) ? *base : 10.0;
}

TrimParameters trimParameters() {
    TrimParameters p;
    p.noiseQuantile = inRangeOr(trimParameter(0), 0.0, 0.9, 0.25);
    p.thresholdFactor = inRangeOr(trimParameter(1), 1.0, 50.0, 3.0);
    p.thresholdFloor = inRangeOr(trimParameter(2), 0.0, 10000.0, 120.0);
    p.marginFrames = static_cast<int>(std::trunc(inRangeOr(trimParameter(3), 0.0, 100.0, 6.0)));
    return p;
}

void store(const QVariantMap& reply) {
    const QVariant tuning = reply.value(QStringLiteral("tuning"));
    if (!Defaults::isDictionary(tuning) && tuning.metaType().id() != QMetaType::QVariantHash) return;
    AppPrefs::defaults().set(QStringLiteral("prepTuning"), Defaults::normalized(tuning));
}

}  // namespace Tuning
