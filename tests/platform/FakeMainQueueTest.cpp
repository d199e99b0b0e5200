#include "platform/fake/FakeMainQueue.h"
#include "platform/SerialQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

TEST(FakeMainQueue, RunsTimersInDueOrderWithTheClockAtTheirDueTime) {
    FakeMainQueue queue;
    const double start = Clock::monotonicNow();
    std::vector<std::pair<int, double>> fired;
    MainQueue::after(0.5, [&] { fired.push_back({2, Clock::monotonicNow() - start}); });
    MainQueue::after(0.2, [&] {
        fired.push_back({1, Clock::monotonicNow() - start});
        MainQueue::after(0.1, [&] { fired.push_back({3, Clock::monotonicNow() - start}); });
    });
    queue.advance(0.25);
    ASSERT_EQ(fired.size(), 1u);
    queue.advance(1.0);
    ASSERT_EQ(fired.size(), 3u);
    EXPECT_EQ(fired[0].first, 1);
    EXPECT_NEAR(fired[0].second, 0.2, 1e-9);
    EXPECT_EQ(fired[1].first, 3);
    EXPECT_NEAR(fired[1].second, 0.3, 1e-9);
    EXPECT_EQ(fired[2].first, 2);
    EXPECT_NEAR(Clock::monotonicNow() - start, 1.25, 1e-9);
}

TEST(FakeMainQueue, CancelledAndRepeatingTimers) {
    FakeMainQueue queue;
    int once = 0, repeated = 0;
    auto id = MainQueue::after(1.0, [&] { ++once; });
    auto tick = MainQueue::every(0.5, [&] { ++repeated; });
    MainQueue::cancel(id);
    EXPECT_EQ(id, 0u);
    queue.advance(2.0);
    EXPECT_EQ(once, 0);
    EXPECT_EQ(repeated, 4);
    MainQueue::cancel(tick);
    queue.advance(2.0);
    EXPECT_EQ(repeated, 4);
}

TEST(SerialQueue, RunsInOrderOnOneThreadAndHandsResultsBack) {
    FakeMainQueue queue;
    SerialQueue worker(QStringLiteral("test.serial"));
    std::vector<int> order;
    std::atomic<int> seenOnWorker{0};
    for (int i = 0; i < 100; ++i) {
        worker.post([&, i] {
            if (worker.isCurrent()) ++seenOnWorker;
            MainQueue::post([&, i] { order.push_back(i); });
        });
    }
    ASSERT_TRUE(queue.waitFor([&] { return order.size() == 100; }));
    EXPECT_EQ(seenOnWorker.load(), 100);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
    int value = 0;
    worker.sync([&] { value = 7; });
    EXPECT_EQ(value, 7);
}

// A task that holds the last reference to its own queue (a recogniser released while its work
// finishes) destroys the queue on the queue's thread: the rest of the queue still runs.
TEST(SerialQueue, DestroyedByItsOwnTaskFinishesTheQueue) {
    FakeMainQueue queue;
    auto worker = std::make_shared<SerialQueue>(QStringLiteral("test.self"));
    std::atomic<int> ran{0};
    std::atomic<bool> go{false};
    worker->post([&] {
        while (!go) std::this_thread::yield();
        ++ran;
    });
    worker->post([&ran, keep = worker] { ++ran; });
    worker->post([&] { MainQueue::post([&] { ++ran; }); });
    worker.reset();  // only the second task holds the queue now
    go = true;
    ASSERT_TRUE(queue.waitFor([&] { return ran == 3; }));
}
