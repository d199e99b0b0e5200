#pragma once

#include "platform/Clock.h"
#include "platform/MainQueue.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

// A main queue and clock on virtual time. Nothing runs until the test drives it:
//   runPending()         runs what was posted (and what that posts), without moving time;
//   advance(seconds)     moves time forward, running posted work and every timer that falls due,
//                        in due order, each with the clock set to its due time;
//   waitFor(pred, ms)    for work on real threads: runs posted tasks as they arrive until the
//                        predicate holds or `ms` of real time passed (returns the predicate).
// Installs itself as the MainQueue and the Clock on construction and uninstalls on destruction.
class FakeMainQueue final : public MainQueue, public Clock {
public:
    explicit FakeMainQueue(double startTime = 1'780'000'000.0);
    ~FakeMainQueue() override;

    void enqueue(Task task) override;
    TimerId schedule(double seconds, Task task, bool repeating) override;
    void cancelTimer(TimerId id) override;
    bool isMainThread() const override;

    double now() const override;
    double uptime() const override;

    int runPending();
    void advance(double seconds);
    bool waitFor(const std::function<bool()>& predicate, int realMilliseconds = 5000);

    size_t pendingTimers() const;
    // Seconds until the next timer falls due, or a negative value when none is pending.
    double nextTimerIn() const;

private:
    struct Timer {
        double due;
        double interval;
        bool repeating;
        Task task;
    };

    bool popPosted(Task* out);
    bool popDueTimer(double limit, TimerId* id, Timer* out);

    std::thread::id mainThread_;
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Task> queue_;
    std::map<TimerId, Timer> timers_;
    TimerId nextId_ = 1;
    double now_;    // virtual seconds since construction (small, so sums stay exact enough)
    double start_;  // wall time at construction
};
