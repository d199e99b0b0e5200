#pragma once

#include <QDateTime>
#include <QString>

// The application's one plain-text log: ~/Library/Logs/Orvane.log, one "[ISO 8601] message" entry
// per call. Callable from any thread; failures are silent.
namespace AppLog {

void write(const QString& message);
// The log file's path under $HOME.
QString fileURL();
// "[2026-12-06T21:39:08Z] message\n" for the given UTC time.
QByteArray formatEntry(const QDateTime& when, const QString& message);

}  // namespace AppLog
