#include "app/MoveToApplications.h"

#include "app/SingleInstance.h"
#include "core/AppLog.h"
#include "platform/Files.h"
#include "platform/MainQueue.h"
#include "platform/RunningApplications.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

// Where the path's entry really lies: the folders above it with symbolic links resolved (as far as
// they exist), the entry's own name kept. A link in ~/Applications named Quendle.app is such an
// entry: replacing it moves the link, not what it points to.
QString located(const QString& path) {
    const QString clean = QDir::cleanPath(path);
    const qsizetype slash = clean.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || clean == QLatin1String("/")) return clean;
    // The deepest folder above the entry that exists, resolved; the folders below it as written.
    QString folder = slash == 0 ? QStringLiteral("/") : clean.left(slash);
    QString rest = clean.mid(slash);
    for (;;) {
        const QString resolved = QFileInfo(folder).canonicalFilePath();
        if (!resolved.isEmpty()) return resolved == QLatin1String("/") ? rest : resolved + rest;
        const qsizetype up = folder.lastIndexOf(QLatin1Char('/'));
        if (up < 0 || folder == QLatin1String("/")) return clean;
        rest.prepend(folder.mid(up));
        folder.truncate(std::max<qsizetype>(up, 1));
    }
}

// True when the path is the folder or lies inside it (both as given).
bool isAtOrInside(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

}  // namespace

MoveToApplications::MoveToApplications(Services services) : services_(std::move(services)) {}

QString MoveToApplications::destination() {
    return QDir::cleanPath(Files::inHome(QStringLiteral("Applications/Quendle.app")));
}

bool MoveToApplications::isInBuildTree(const QString& bundlePath) {
    const QString path = QDir::cleanPath(bundlePath);
    if (path.contains(QLatin1String("/.build/"))) return true;
    for (QString folder = QFileInfo(path).path(); !folder.isEmpty(); folder = QFileInfo(folder).path()) {
        if (QFileInfo::exists(folder + QStringLiteral("/CMakeCache.txt"))) return true;
        if (folder == QLatin1String("/") || folder == QLatin1String(".")) break;
    }
    return false;
}

bool MoveToApplications::shouldOffer(const QString& bundlePath) {
    // An executable outside any bundle has nothing to move.
    if (!QDir::isAbsolutePath(bundlePath) || isInBuildTree(bundlePath)) return false;
    // ~/Applications itself may be a link: it is resolved too (through a name inside it).
    const QString applications = QFileInfo(located(Files::inHome(QStringLiteral("Applications/Quendle.app")))).path();
    return !located(bundlePath).startsWith(applications + QLatin1Char('/'));
}

std::optional<QString> MoveToApplications::volumeRoot(const QString& path) {
    const QStringList pieces = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (path.startsWith(QLatin1String("/media/")) && pieces.size() >= 3)
        return QStringLiteral("/media/") + pieces[1] + QLatin1Char('/') + pieces[2];
    if (path.startsWith(QLatin1String("/run/media/")) && pieces.size() >= 4)
        return QStringLiteral("/run/media/") + pieces[2] + QLatin1Char('/') + pieces[3];
    return std::nullopt;
}

bool MoveToApplications::offer(const QString& bundlePath) {
    if (!shouldOffer(bundlePath)) return false;
    if (volumeRoot(bundlePath)) return move(bundlePath);
    const Alert question{QStringLiteral("アプリケーションフォルダに移動しますか？"),
                         QStringLiteral("Quendle をアプリケーションフォルダに入れてから開きます。"
                                        "次からはアプリケーションメニューからすぐ開けます。"),
                         {QStringLiteral("移動して開く"), QStringLiteral("このまま使う")}};
    if (services_.alert(question) != AlertRunner::kFirstButton) return false;
    return move(bundlePath);
}

bool MoveToApplications::move(const QString& source) {
    const QString target = destination();
    // Staged onto itself, the bundle would be renamed aside and trashed and the source, then the
    // new copy, trashed after it: nothing would be left.
    const QString from = located(source);
    const QString to = located(target);
    if (isAtOrInside(from, to) || isAtOrInside(to, from))
        return failed(source + QStringLiteral(" はすでに移動先にあります"));

    // A copy running from the destination must be gone before its bundle is replaced.
    const QString& identifier = services_.bundleIdentifier;
    if (!identifier.isEmpty() && !services_.instances.runningCopies(identifier).isEmpty())
        services_.instances.takeOverRunningCopies(identifier);

    BundleSwap swap(target, services_.rename);
    if (QString error = swap.stage(source); !error.isEmpty()) return failed(error);
    if (QString error = swap.swap(); !error.isEmpty()) return failed(error);
    if (!swap.previous().isEmpty() && !services_.apps.moveToTrash(swap.previous())) BundleSwap::removeTree(swap.previous());
    AppLog::write(QStringLiteral("アプリケーションフォルダへ移動した: ") + target);
    if (services_.addToMenu) {
        if (const QString error = services_.addToMenu(target); !error.isEmpty())
            AppLog::write(QStringLiteral("アプリケーションメニューへの登録に失敗: ") + error);
    }

    const QString program = target + QStringLiteral("/Contents/MacOS/Quendle");
    const QString error = services_.start ? services_.start(program, {QStringLiteral("--takeover")})
                                          : program + QStringLiteral(" を起動できません");
    if (!error.isEmpty()) {
        // The copy stays in place; this one keeps running, and its bundle stays where it is.
        AppLog::write(QStringLiteral("移動後の起動に失敗: ") + error);
        services_.alert(Alert{QStringLiteral("移動しましたが、開き直せませんでした"),
                              QStringLiteral("このまま使えます。次からはアプリケーションメニューの Quendle を開いてください。"),
                              {}});
        return false;
    }
    // The copy runs: only now does the source go.
    if (const std::optional<QString> root = volumeRoot(source)) {
        if (services_.detachVolume) services_.detachVolume(*root);
    } else if (!isAtOrInside(located(source), located(target))) {
        // What is now at the destination is never the source that goes.
        services_.apps.moveToTrash(source);
    }
    if (services_.quit) MainQueue::post(services_.quit);
    return true;
}

bool MoveToApplications::failed(const QString& reason) {
    AppLog::write(QStringLiteral("アプリケーションフォルダへの移動に失敗: ") + reason);
    services_.alert(Alert{QStringLiteral("移動できませんでした"),
                          QStringLiteral("このまま使えます。あとでアプリケーションフォルダへドラッグしてください。（理由: ") +
                              reason + QStringLiteral("）"),
                          {}});
    return false;
}
