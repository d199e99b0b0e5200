#pragma once

#include <QtGlobal>
#include <functional>

// The main queue: every piece of UI, state and orchestration runs here. Work is deferred only
// through post(), after() and every(); other threads hand results back with post().
class MainQueue {
public:
    using Task = std::function<void()>;
    using TimerId = quint64;  // 0 never names a timer

    virtual ~MainQueue() = default;

    // Thread-safe: runs the task on the main thread, after what is already queued.
    virtual void enqueue(Task task) = 0;
    // Main thread only: runs the task once after `seconds`, or every `seconds` when repeating.
    virtual TimerId schedule(double seconds, Task task, bool repeating) = 0;
    // Main thread only: a cancelled or finished timer is ignored.
    virtual void cancelTimer(TimerId id) = 0;
    virtual bool isMainThread() const = 0;

    static void install(MainQueue* queue);
    // Uninstalls `queue` when it is the installed one (a queue going away calls this).
    static void uninstall(MainQueue* queue);
    static MainQueue& instance();

    // Work handed over while no queue is installed (worker threads finishing during shutdown)
    // is dropped: there is no main queue left to run it.
    static void post(Task task);
    static TimerId after(double seconds, Task task);
    static TimerId every(double seconds, Task task);
    // Cancels and clears the id (sets it to 0); a 0 id is ignored.
    static void cancel(TimerId& id);
    static bool onMainThread() { return instance().isMainThread(); }
};
