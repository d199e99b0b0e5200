#pragma once

#include <QStringList>

#include <optional>

// What this run of the executable is, chosen from the process arguments before anything else
// exists. The switches are tested in this order and the first one present wins (exact,
// case-sensitive match with any argument, wherever it stands):
//   --probe-input-monitoring, --probe-swiftui, --smoke, --onboarding-preview,
//   --settings-preview, --usage-guide-preview, --hud-preview, --speech26-smoke.
// None of them: the application runs.
namespace LaunchSwitch {

const QStringList& inOrder();
std::optional<QString> select(const QStringList& arguments);

}  // namespace LaunchSwitch
