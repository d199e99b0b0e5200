#pragma once

#include "platform/MainQueue.h"

#include <QObject>
#include <QThread>
#include <unordered_map>

class QTimer;

// The main queue over Qt's event loop of the thread that created it (the GUI thread).
class QtMainQueue final : public QObject, public MainQueue {
public:
    QtMainQueue();
    ~QtMainQueue() override;

    void enqueue(Task task) override;
    TimerId schedule(double seconds, Task task, bool repeating) override;
    void cancelTimer(TimerId id) override;
    bool isMainThread() const override;

private:
    QThread* thread_;
    TimerId nextId_ = 1;
    std::unordered_map<TimerId, QTimer*> timers_;
};
