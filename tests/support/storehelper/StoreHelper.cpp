// quendle-store-helper: another process touching the settings files and the log.
//
//   quendle-store-helper set  <directory> <domain> <key> <string>  through the store (locked merge)
//   quendle-store-helper edit <directory> <domain> <key> <string>  like an editor: read, change,
//                                                                  write a temporary file, rename
//   quendle-store-helper log  <count> <tag> [threads]              <count> log entries "<tag>-<t> <i>" from each thread
// Exits 0 on success, 2 on bad arguments, 1 when the work failed.
#include "core/AppLog.h"
#include "platform/linux/PlistDefaults.h"
#include "platform/linux/QtMainQueue.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);

    if (mode == QLatin1String("set") && args.size() == 6) {
        QtMainQueue queue;
        MainQueue::install(&queue);
        PlistDefaults store(args[3], args[2]);
        store.set(args[4], args[5]);
        MainQueue::install(nullptr);
        return store.object(args[4]) == QVariant(args[5]) ? 0 : 1;
    }
    if (mode == QLatin1String("edit") && args.size() == 6) {
        const QString path = args[2] + QLatin1Char('/') + args[3] + QStringLiteral(".plist");
        QFile in(path);
        QVariantMap map;
        if (in.open(QIODevice::ReadOnly)) map = PlistDefaults::fromXml(in.readAll()).value_or(QVariantMap());
        map.insert(args[4], args[5]);
        const QString temp = path + QStringLiteral(".edit~");
        QFile out(temp);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
        out.write(PlistDefaults::toXml(map));
        out.close();
        return std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) == 0 ? 0 : 1;
    }
    if (mode == QLatin1String("log") && (args.size() == 4 || args.size() == 5)) {
        bool ok = false;
        const int count = args[2].toInt(&ok);
        if (!ok) return 2;
        const int threadCount = args.size() == 5 ? args[4].toInt() : 1;
        std::vector<std::thread> threads;
        for (int t = 0; t < std::max(1, threadCount); ++t) {
            threads.emplace_back([&, t] {
                // Long enough that a torn write would show, with Japanese text in every entry.
                const QString tag = QStringLiteral("%1-%2 書き起こし %3").arg(args[3]).arg(t).arg(QString(200, QLatin1Char('x')));
                for (int i = 0; i < count; ++i) AppLog::write(tag + QLatin1Char(' ') + QString::number(i));
            });
        }
        for (std::thread& thread : threads) thread.join();
        return 0;
    }
    std::fputs("usage: quendle-store-helper set|edit <directory> <domain> <key> <string> | log <count> <tag> [threads]\n", stderr);
    return 2;
}
