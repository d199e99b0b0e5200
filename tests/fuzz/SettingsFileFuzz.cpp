// The settings file on disk, read by the settings store at start, then written back.
#include "FuzzCommon.h"
#include "platform/linux/PlistDefaults.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    quietQt();
    static QCoreApplication app(*argc, *argv);  // the store's file watcher needs an event loop's thread
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/orvane.plist");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write(fuzzBytes(data, size));
    }
    PlistDefaults store(QStringLiteral("orvane"), dir.path());
    const QVariantMap values = store.dictionary();
    for (auto it = values.begin(); it != values.end(); ++it) (void)PlistDefaults::storable(it.value());
    (void)PlistDefaults::toXml(values);  // what a write would put back (without the disk's sync)
    return 0;
}
