#pragma once

#include <QString>

namespace MenuBarIcon {

// The emoji that stands for a cleanup style on the status icon and in the log: briefcase for
// "formal", saluting face for "junior", handshake for "friend", red heart for "lover", high
// voltage for "off", sparkles for anything else ("standard" included).
QString styleBadge(const QString& style);

}  // namespace MenuBarIcon
