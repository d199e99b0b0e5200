#include "core/BundleSwap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <utility>

BundleSwap::BundleSwap(QString target, Rename rename) : target_(QDir::cleanPath(std::move(target))), rename_(std::move(rename)) {
    if (!rename_) {
        rename_ = [](const QString& from, const QString& to) {
            return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
        };
    }
}

BundleSwap::~BundleSwap() {
    if (!staged_.isEmpty()) removeTree(staged_);
}

bool BundleSwap::removeTree(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink() || (info.exists() && !info.isDir())) return QFile::remove(path);
    if (!info.exists()) return true;
    return QDir(path).removeRecursively();
}

QString BundleSwap::runTool(const QString& name, const QStringList& arguments) {
    const QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty()) return name + QStringLiteral(" を起動できません");
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1)) return name + QStringLiteral(" を起動できません");
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return program + QStringLiteral(" が失敗しました");
    return QString();
}

QString BundleSwap::hiddenSibling(const QString& kind) const {
    const QFileInfo info(target_);
    // An empty folder with a fresh name; a rename onto it replaces it.
    QTemporaryDir dir(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.') + kind +
                      QStringLiteral("-XXXXXX"));
    if (!dir.isValid()) return QString();
    dir.setAutoRemove(false);
    return dir.path();
}

QString BundleSwap::stage(const QString& source) {
    if (!staged_.isEmpty()) removeTree(staged_);
    staged_.clear();
    const QString folder = QFileInfo(target_).absolutePath();
    if (!QDir().mkpath(folder)) return folder + QStringLiteral(" を作れません");
    const QString staged = hiddenSibling(QStringLiteral("new"));
    if (staged.isEmpty()) return folder + QStringLiteral(" に書き込めません");
    // cp copies the tree as it is: modes, symbolic links, times.
    const QString error = runTool(QStringLiteral("cp"), {QStringLiteral("-a"), QStringLiteral("-T"), QStringLiteral("--"),
                                                          source, staged});
    if (!error.isEmpty()) {
        removeTree(staged);
        return error;
    }
    staged_ = staged;
    return QString();
}

QString BundleSwap::swap() {
    if (staged_.isEmpty()) return target_ + QStringLiteral(" に入れるものがありません");
    const QString staged = std::exchange(staged_, QString());
    const QString cannotReplace = target_ + QStringLiteral(" を置き換えられません");
    const QFileInfo installed(target_);
    QString aside;
    if (installed.exists() || installed.isSymLink()) {
        aside = hiddenSibling(QStringLiteral("old"));
        if (aside.isEmpty() || !rename_(target_, aside)) {
            if (!aside.isEmpty()) QDir().rmdir(aside);
            removeTree(staged);
            return cannotReplace;
        }
    }
    if (!rename_(staged, target_)) {
        QString error = cannotReplace;
        if (!aside.isEmpty() && !rename_(aside, target_))
            error = target_ + QStringLiteral(" を元に戻せません（") + aside + QStringLiteral(" にあります）");
        removeTree(staged);
        return error;
    }
    previous_ = aside;
    swapped_ = true;
    return QString();
}

QString BundleSwap::rollback() {
    if (!swapped_) return QString();
    const QString failed = hiddenSibling(QStringLiteral("failed"));
    if (failed.isEmpty() || !rename_(target_, failed)) {
        if (!failed.isEmpty()) QDir().rmdir(failed);
        return target_ + QStringLiteral(" を元に戻せません");
    }
    if (!previous_.isEmpty() && !rename_(previous_, target_))
        return target_ + QStringLiteral(" を元に戻せません（") + previous_ + QStringLiteral(" にあります）");
    removeTree(failed);
    previous_.clear();
    swapped_ = false;
    return QString();
}
