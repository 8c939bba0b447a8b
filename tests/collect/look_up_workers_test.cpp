#include "collect/look_up_workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace lh {
namespace {

using Place = LookUpWorkers::Place;

// Jobs that finish in an order the test chooses: each waits until released.
struct Gates {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<bool> open;
    int running = 0;
    int mostRunning = 0;

    explicit Gates(std::size_t n) : open(n, false) {}
    void release(std::size_t i) {
        std::lock_guard<std::mutex> lock(mutex);
        open[i] = true;
        changed.notify_all();
    }
    // Bounded: a job never released ends after 10 s and fails the test.
    bool pass(std::size_t i) {
        std::unique_lock<std::mutex> lock(mutex);
        mostRunning = std::max(mostRunning, ++running);
        changed.notify_all();
        const bool opened =
            changed.wait_for(lock, std::chrono::seconds(10), [&] { return open[i]; });
        --running;
        return opened;
    }
    bool waitForRunning(int n) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return running >= n; });
    }
};

TEST(LookUpWorkers, HandsResultsOverInOrderWithinTheCapAndRunsCallerJobsAlone) {
    LookUpWorkers workers;
    const std::size_t n = 8;
    Gates gates(n);
    std::vector<std::size_t> delivered;
    std::atomic<bool> allPassed{true};
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> busyDuringAlone{-1};

    // Jobs 0-2 end in reverse; job 3 needs the calling thread alone; 4-7 end as released.
    std::thread releaser([&] {
        if (!gates.waitForRunning(3)) return;
        for (std::size_t i : {2, 1, 0}) gates.release(i);
        for (std::size_t i = 4; i < n; ++i) gates.release(i);
    });
    LookUpWorkers::Batch batch;
    batch.count = n;
    batch.parallel = 3;
    batch.placeOf = [](std::size_t i) { return i == 3 ? Place::CallerAlone : Place::Worker; };
    batch.job = [&](std::size_t i) {
        if (i == 3) {
            std::lock_guard<std::mutex> lock(gates.mutex);
            busyDuringAlone = std::this_thread::get_id() == caller ? gates.running : 99;
            return;
        }
        if (std::this_thread::get_id() == caller || !gates.pass(i)) allPassed = false;
    };
    batch.deliver = [&](std::size_t i) {
        delivered.push_back(i);
        return true;
    };
    workers.run(batch);
    releaser.join();

    EXPECT_TRUE(allPassed);
    EXPECT_EQ(delivered, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(gates.mostRunning, 3);
    EXPECT_EQ(busyDuringAlone, 0);
    EXPECT_EQ(workers.workerCount(), 3u);

    // A refused hand-over starts nothing more, hands nothing more over and returns once
    // every started job has ended; a stop starts nothing. The workers are used again.
    for (const bool stopFirst : {false, true}) {
        std::atomic<int> started{0};
        std::atomic<int> ended{0};
        std::vector<std::size_t> got;
        LookUpWorkers::Batch more;
        more.count = 6;
        more.parallel = 2;
        more.job = [&](std::size_t) {
            ++started;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ++ended;
        };
        more.deliver = [&](std::size_t i) {
            got.push_back(i);
            return false;
        };
        more.stopped = [stopFirst] { return stopFirst; };
        workers.run(more);
        EXPECT_EQ(got, stopFirst ? std::vector<std::size_t>{} : std::vector<std::size_t>{0});
        EXPECT_EQ(ended.load(), started.load());
        EXPECT_EQ(started.load() == 0, stopFirst);
    }
    EXPECT_EQ(workers.workerCount(), 3u);
}

}  // namespace
}  // namespace lh
