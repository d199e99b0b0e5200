#include "platform/SerialQueue.h"

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

struct SerialQueue::State {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    bool stopping = false;
    std::thread thread;
};

namespace {
thread_local const void* currentQueue = nullptr;  // the State of the queue this thread serves

}  // namespace

SerialQueue::SerialQueue(QString label) : label_(std::move(label)), state_(std::make_shared<State>()) {
    // The thread holds the state itself, so that it stays valid to the end of the loop even when
    // the queue object is destroyed from one of its tasks.
    state_->thread = std::thread([state = state_] {
        currentQueue = state.get();
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(state->mutex);
                state->wake.wait(lock, [&] { return state->stopping || !state->tasks.empty(); });
                if (state->tasks.empty()) break;  // stopping and drained
                task = std::move(state->tasks.front());
                state->tasks.pop_front();
            }
            task();
        }
        currentQueue = nullptr;
    });
}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->wake.notify_all();
    if (isCurrent())
        state_->thread.detach();
    else if (state_->thread.joinable())
        state_->thread.join();
}

void SerialQueue::post(std::function<void()> task) {
    {
        std::lock_guard lock(state_->mutex);
        state_->tasks.push_back(std::move(task));
    }
    state_->wake.notify_one();
}

void SerialQueue::sync(const std::function<void()>& task) {
    if (isCurrent()) {
        task();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    post([&] {
        task();
        done.set_value();
    });
    finished.wait();
}

bool SerialQueue::isCurrent() const { return currentQueue == state_.get(); }
