#pragma once

#include <QString>

// Removable media mounted by the desktop.
namespace RemovableMedia {

// Unmounts the medium mounted at `root` (through the desktop's `gio mount -u`) as soon as this
// process has ended: a medium cannot be detached while the program running from it is still
// there. Returns at once; a failure is not reported.
void detachWhenGone(const QString& root);

}  // namespace RemovableMedia
