#include "platform/MainQueue.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {
std::atomic<MainQueue*> installedQueue{nullptr};
}

void MainQueue::install(MainQueue* queue) { installedQueue.store(queue); }

void MainQueue::uninstall(MainQueue* queue) {
    MainQueue* expected = queue;
    installedQueue.compare_exchange_strong(expected, nullptr);
}

void MainQueue::post(Task task) {
    if (MainQueue* queue = installedQueue.load()) queue->enqueue(std::move(task));
}

MainQueue::TimerId MainQueue::after(double seconds, Task task) {
    MainQueue* queue = installedQueue.load();
    return queue ? queue->schedule(seconds, std::move(task), false) : 0;
}

MainQueue::TimerId MainQueue::every(double seconds, Task task) {
    MainQueue* queue = installedQueue.load();
    return queue ? queue->schedule(seconds, std::move(task), true) : 0;
}

MainQueue& MainQueue::instance() {
    MainQueue* queue = installedQueue.load();
    if (!queue) {
        std::fputs("MainQueue used before one was installed\n", stderr);
        std::abort();
    }
    return *queue;
}

void MainQueue::cancel(TimerId& id) {
    if (id != 0) {
        if (MainQueue* queue = installedQueue.load()) queue->cancelTimer(id);
        id = 0;
    }
}
