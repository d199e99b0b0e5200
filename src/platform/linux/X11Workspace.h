#pragma once

#include "platform/Workspace.h"

// The frontmost application from EWMH: the window manager's _NET_ACTIVE_WINDOW (or, when no
// window manager runs, the window holding the input focus), its _NET_WM_PID and WM_CLASS.
// Activation asks the window manager with a _NET_ACTIVE_WINDOW message, or without one raises
// the window and sets the input focus itself.
class X11Workspace final : public Workspace {
public:
    std::optional<RunningApplication> frontmostApplication() override;
    bool isTerminated(const RunningApplication& app) override;
    bool activate(const RunningApplication& app) override;

    // The application owning an X window (walks up to the window that carries WM_CLASS).
    static std::optional<RunningApplication> applicationOfWindow(quint64 window);
};
