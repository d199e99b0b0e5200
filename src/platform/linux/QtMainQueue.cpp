#include "platform/linux/QtMainQueue.h"

#include <QMetaObject>
#include <QTimer>
#include <cmath>

QtMainQueue::QtMainQueue() : thread_(QThread::currentThread()) {}

QtMainQueue::~QtMainQueue() {
    MainQueue::uninstall(this);
    for (auto& [id, timer] : timers_) delete timer;
}

void QtMainQueue::enqueue(Task task) {
    QMetaObject::invokeMethod(this, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

MainQueue::TimerId QtMainQueue::schedule(double seconds, Task task, bool repeating) {
    const TimerId id = nextId_++;
    auto* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!repeating);
    const double ms = std::max(0.0, seconds * 1000.0);
    timer->setInterval(static_cast<int>(std::min(ms, 2.0e9)));
    connect(timer, &QTimer::timeout, this, [this, id, repeating, task = std::move(task)] {
        if (!repeating) {
            auto it = timers_.find(id);
            if (it != timers_.end()) {
                it->second->deleteLater();
                timers_.erase(it);
            }
        }
        task();
    });
    timers_.emplace(id, timer);
    timer->start();
    return id;
}

void QtMainQueue::cancelTimer(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
}

bool QtMainQueue::isMainThread() const { return QThread::currentThread() == thread_; }
