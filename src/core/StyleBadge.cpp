#include "core/StyleBadge.h"

namespace MenuBarIcon {

QString styleBadge(const QString& style) {
    if (style == QLatin1String("formal")) return QString::fromUtf8("\U0001F4BC");
    if (style == QLatin1String("junior")) return QString::fromUtf8("\U0001FAE1");
    if (style == QLatin1String("friend")) return QString::fromUtf8("\U0001F91D");
    if (style == QLatin1String("lover")) return QString::fromUtf8("\u2764\uFE0F");
    if (style == QLatin1String("off")) return QString::fromUtf8("\u26A1");
    return QString::fromUtf8("\u2728");
}

}  // namespace MenuBarIcon
