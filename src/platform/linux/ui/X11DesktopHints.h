#pragma once

#include <QColor>
#include <optional>

// What the X desktop tells about itself through selections and properties on the default screen.
// Off X11 (or with no answer) the functions return what suits a desktop that tells nothing.
namespace X11DesktopHints {

// The colour a system tray asks icons to draw in: the "normal" colour of _NET_SYSTEM_TRAY_COLORS
// on the tray manager's window (the owner of _NET_SYSTEM_TRAY_S<screen>). Absent when there is no
// tray or it publishes none.
std::optional<QColor> trayForeground();

// Whether a compositing manager runs (an owner of _NET_WM_CM_S<screen>): without one, the
// transparent parts of a window show black instead of what lies below. True off X11.
bool compositingManagerRunning();

}  // namespace X11DesktopHints
