#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// One running application with a window on the desktop.
struct RunningApplication {
    qint32 pid = 0;          // 0 when the window does not say
    QString name;            // the program's name as the desktop shows it
    QString identifier;      // the application identifier (see ApplicationIdentifiers.h); may be empty
    QString windowClass;     // the raw window class (X11 WM_CLASS class part), empty when unknown
    quint64 window = 0;      // the desktop's handle of its window
    bool isSelf = false;     // this process
};

// The desktop's running applications and which of them is in front. Main thread only.
class Workspace {
public:
    virtual ~Workspace() = default;
    // The application whose window has the keyboard focus; absent when none does.
    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    // True when the application has ended (its window or its process is gone).
    virtual bool isTerminated(const RunningApplication& app) = 0;
    // Brings the application's window to the front and gives it the keyboard focus.
    virtual bool activate(const RunningApplication& app) = 0;
};
