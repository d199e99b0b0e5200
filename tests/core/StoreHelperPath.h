#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

// The second-process helper built beside the tests (build/tests/support/), found from the test
// binary's own folder (build/tests/<area>/).
inline QString storeHelperPath() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../support/quendle-store-helper"));
}
