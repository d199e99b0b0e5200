#pragma once

#include <QString>
#include <functional>
#include <memory>

// A serial work queue over one thread: tasks run one at a time in the order they were posted.
// Results go back to the main queue with MainQueue::post.
class SerialQueue {
public:
    explicit SerialQueue(QString label);
    // Runs what is queued, then joins. Destroyed by one of its own tasks (the task held the last
    // reference), it lets its thread finish the queue on its own instead of waiting for itself.
    ~SerialQueue();

    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const QString& label() const { return label_; }
    void post(std::function<void()> task);
    // Runs the task on the queue and waits for it; called on the queue itself it runs inline.
    void sync(const std::function<void()>& task);
    bool isCurrent() const;

private:
    struct State;

    QString label_;
    std::shared_ptr<State> state_;  // shared with the thread, which may outlive this object
};
