#include "platform/MainQueue.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {
std::atomic<MainQueue*> installedQueue{nullptr};
}

void MainQueue::install(MainQueue* queue) { installedQueue.store(queue); }

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
        instance().cancelTimer(id);
        id = 0;
    }
}
