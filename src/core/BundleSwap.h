#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Puts a new copy of the application bundle at a path without a moment in which a failed step
// leaves no application there: the new bundle is first copied beside the target (a hidden folder
// in the same folder, so that renaming is enough to put it in place), then the installed bundle is
// renamed aside and the copy renamed into its place; a second rename that fails puts the
// installed bundle back.
//
// Errors are returned as text for the user (empty on success).
class BundleSwap {
public:
    // rename(2); tests plant failures here.
    using Rename = std::function<bool(const QString& from, const QString& to)>;

    explicit BundleSwap(QString target, Rename rename = {});
    // Removes a staged copy that was never put in place.
    ~BundleSwap();

    BundleSwap(const BundleSwap&) = delete;
    BundleSwap& operator=(const BundleSwap&) = delete;

    const QString& target() const { return target_; }
    // The copy waiting beside the target (empty before `stage` and after `swap`).
    const QString& staged() const { return staged_; }
    // After `swap`: where the replaced bundle was moved (empty when there was none).
    const QString& previous() const { return previous_; }

    // Copies the bundle at `source` beside the target.
    QString stage(const QString& source);
    // Renames the installed bundle (if any) aside and the staged copy into its place. On failure
    // the installed bundle is where it was and the staged copy is gone.
    QString swap();
    // After `swap`: puts the replaced bundle back and deletes the new one.
    QString rollback();

    // Deletes a folder tree (a symbolic link itself, not what it points to); true when it is gone.
    static bool removeTree(const QString& path);
    // Runs a program found on PATH with the arguments (never through a shell) and waits for it.
    // Empty when it ended with status 0; else "<program path> が失敗しました", or
    // "<name> を起動できません" when it could not be started.
    static QString runTool(const QString& name, const QStringList& arguments);

private:
    QString hiddenSibling(const QString& kind) const;

    QString target_;
    Rename rename_;
    QString staged_;
    QString previous_;
    bool swapped_ = false;
};
