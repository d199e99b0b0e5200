#include "core/AppLog.h"

#include "platform/Clock.h"
#include "platform/Files.h"

#include <QDateTime>
#include <mutex>

namespace AppLog {

namespace {
std::mutex writerLock;  // keeps entries of this process in call order
}

QString fileURL() {
    // Derived from $HOME on every call: cheap, and a test can point HOME elsewhere.
    return Files::inHome(QStringLiteral("Library/Logs/Orvane.log"));
}

QByteArray formatEntry(const QDateTime& when, const QString& message) {
    const QString stamp = when.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
    QByteArray entry;
    entry.reserve(message.size() * 3 + 32);
    entry.append('[');
    entry.append(stamp.toLatin1());
    entry.append("] ");
    entry.append(message.toUtf8());
    entry.append('\n');
    return entry;
}

void write(const QString& message) {
    const QByteArray entry = formatEntry(Clock::currentDateTime(), message);
    std::lock_guard lock(writerLock);
    // One append-mode write per entry: whole entries even with other processes appending, and an
    // existing log is never replaced.
    if (!Files::append(fileURL(), entry)) {
        // The Logs folder is not part of a Linux home: make it once and try again.
        Files::makeDirectories(Files::inHome(QStringLiteral("Library/Logs")));
        Files::append(fileURL(), entry);
    }
}

}  // namespace AppLog
