#include "TestHome.h"

#include <QFile>

#include <cstdlib>

TestHome::TestHome() : previous_(qgetenv("HOME")), hadPrevious_(qEnvironmentVariableIsSet("HOME")) {
    qputenv("HOME", dir_.path().toLocal8Bit());
}

TestHome::~TestHome() {
    if (hadPrevious_)
        qputenv("HOME", previous_);
    else
        qunsetenv("HOME");
}

QStringList TestHome::logLines() const { return logLinesIn(path()); }

QString TestHome::logText() const {
    QFile file(this->file(QStringLiteral("Library/Logs/Orvane.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList logLinesIn(const QString& home) {
    QFile file(home + QStringLiteral("/Library/Logs/Orvane.log"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype stamp = line.indexOf(QStringLiteral("] "));
        lines << (stamp >= 0 ? line.mid(stamp + 2) : line);
    }
    return lines;
}

bool inHeadlessSession() { return qEnvironmentVariableIsSet("QUENDLE_HEADLESS_SESSION"); }
