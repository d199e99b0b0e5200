#pragma once

#include "platform/Workspace.h"

#include <QList>

// A desktop with one settable frontmost application.
class FakeWorkspace final : public Workspace {
public:
    std::optional<RunningApplication> frontmost;
    QList<qint32> terminatedPids;
    QList<RunningApplication> activated;
    bool activationWorks = true;  // false: the window manager ignores the request

    std::optional<RunningApplication> frontmostApplication() override { return frontmost; }
    bool isTerminated(const RunningApplication& app) override { return terminatedPids.contains(app.pid); }
    bool activate(const RunningApplication& app) override {
        activated.append(app);
        if (!activationWorks) return false;
        frontmost = app;
        return true;
    }

    static RunningApplication app(const QString& identifier, qint32 pid = 4242) {
        RunningApplication a;
        a.pid = pid;
        a.name = identifier;
        a.identifier = identifier;
        a.windowClass = identifier;
        a.window = 0x400000u + static_cast<quint64>(pid);
        return a;
    }
};
