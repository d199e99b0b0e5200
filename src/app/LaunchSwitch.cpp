#include "app/LaunchSwitch.h"

#include "app/SingleInstance.h"

namespace LaunchSwitch {

const QStringList& inOrder() {
    static const QStringList switches{
        QStringLiteral("--probe-input-monitoring"), QStringLiteral("--probe-swiftui"),
        QStringLiteral("--smoke"),                  QStringLiteral("--onboarding-preview"),
        QStringLiteral("--settings-preview"),       QStringLiteral("--usage-guide-preview"),
        QStringLiteral("--hud-preview"),            QStringLiteral("--speech26-smoke")};
    return switches;
}

std::optional<QString> select(const QStringList& arguments) {
    for (const QString& name : inOrder())
        if (stringArrayContains(arguments, name)) return name;
    return std::nullopt;
}

}  // namespace LaunchSwitch
