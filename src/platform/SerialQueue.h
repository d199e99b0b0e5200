#pragma once

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// A serial work queue over one thread: tasks run one at a time in the order they were posted.
// Results go back to the main queue with MainQueue::post.
class SerialQueue {
public:
    explicit SerialQueue(QString label);
    ~SerialQueue();  // runs what is queued, then joins

    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const QString& label() const { return label_; }
    void post(std::function<void()> task);
    // Runs the task on the queue and waits for it; called on the queue itself it runs inline.
    void sync(const std::function<void()>& task);
    bool isCurrent() const;

private:
    void run();

    QString label_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::thread thread_;
};
