#include "platform/fake/FakeMainQueue.h"

#include <chrono>

FakeMainQueue::FakeMainQueue(double startTime)
    : mainThread_(std::this_thread::get_id()), now_(0.0), start_(startTime) {
    MainQueue::install(this);
    Clock::install(this);
}

FakeMainQueue::~FakeMainQueue() {
    MainQueue::uninstall(this);
    Clock::install(nullptr);
}

void FakeMainQueue::enqueue(Task task) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(task));
    }
    posted_.notify_all();
}

MainQueue::TimerId FakeMainQueue::schedule(double seconds, Task task, bool repeating) {
    std::lock_guard lock(mutex_);
    const TimerId id = nextId_++;
    const double interval = seconds < 0 ? 0 : seconds;
    timers_.emplace(id, Timer{now_ + interval, interval, repeating, std::move(task)});
    return id;
}

void FakeMainQueue::cancelTimer(TimerId id) {
    std::lock_guard lock(mutex_);
    timers_.erase(id);
}

bool FakeMainQueue::isMainThread() const { return std::this_thread::get_id() == mainThread_; }

double FakeMainQueue::now() const {
    std::lock_guard lock(mutex_);
    return start_ + now_;
}

double FakeMainQueue::uptime() const {
    std::lock_guard lock(mutex_);
    return 1000.0 + now_;
}

bool FakeMainQueue::popPosted(Task* out) {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return false;
    *out = std::move(queue_.front());
    queue_.pop_front();
    return true;
}

int FakeMainQueue::runPending() {
    int count = 0;
    Task task;
    while (popPosted(&task)) {
        task();
        ++count;
    }
    return count;
}

bool FakeMainQueue::popDueTimer(double limit, TimerId* id, Timer* out) {
    std::lock_guard lock(mutex_);
    auto best = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second.due <= limit + 1e-9 && (best == timers_.end() || it->second.due < best->second.due - 1e-12))
            best = it;
    }
    if (best == timers_.end()) return false;
    *id = best->first;
    *out = best->second;
    if (best->second.repeating) {
        best->second.due += best->second.interval > 0 ? best->second.interval : 1e-6;
    } else {
        timers_.erase(best);
    }
    if (out->due > now_) now_ = out->due;
    return true;
}

void FakeMainQueue::advance(double seconds) {
    runPending();
    double limit;
    {
        std::lock_guard lock(mutex_);
        limit = now_ + seconds;
    }
    TimerId id;
    Timer timer;
    while (popDueTimer(limit, &id, &timer)) {
        timer.task();
        runPending();
    }
    {
        std::lock_guard lock(mutex_);
        if (limit > now_) now_ = limit;
    }
    runPending();
}

bool FakeMainQueue::waitFor(const std::function<bool()>& predicate, int realMilliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(realMilliseconds);
    for (;;) {
        runPending();
        if (predicate()) return true;
        std::unique_lock lock(mutex_);
        if (!posted_.wait_until(lock, deadline, [this] { return !queue_.empty(); })) {
            lock.unlock();
            runPending();
            return predicate();
        }
    }
}

size_t FakeMainQueue::pendingTimers() const {
    std::lock_guard lock(mutex_);
    return timers_.size();
}

double FakeMainQueue::nextTimerIn() const {
    std::lock_guard lock(mutex_);
    double best = -1;
    for (const auto& [id, t] : timers_)
        if (best < 0 || t.due - now_ < best) best = t.due - now_;
    return best;
}
