#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace lh {

// Threads that run a page's link look-ups side by side. They live as long as their
// owner: libcurl keeps connections per thread (its shared connection cache is not for
// concurrent threads), so a worker that stays reuses its connections to a redirector
// from page to page. One batch at a time, from one thread.
class LookUpWorkers {
public:
    LookUpWorkers() = default;
    ~LookUpWorkers();
    LookUpWorkers(const LookUpWorkers&) = delete;
    LookUpWorkers& operator=(const LookUpWorkers&) = delete;

    enum class Place {
        Worker,
        Caller,       // on the calling thread, in its turn
        CallerAlone,  // on the calling thread once every job before it has ended; none
                      // after it starts before it ends
    };

    struct Batch {
        std::size_t count = 0;
        int parallel = 1;  // jobs running at once at most, the calling thread's included
        // Runs job i, where `placeOf(i)` says.
        std::function<void(std::size_t)> job;
        std::function<Place(std::size_t)> placeOf;
        // Hands over job i on the calling thread, in index order, once it and every job
        // before it have ended; false: nothing more is started or handed over.
        std::function<bool(std::size_t)> deliver;
        // True: nothing more is started (what runs is ended by the jobs' own stop).
        std::function<bool()> stopped;
    };

    // Starts the jobs in index order and returns once every started one has ended.
    void run(const Batch& batch);

    // Workers started so far.
    std::size_t workerCount() const;

private:
    void work();

    mutable std::mutex mutex_;
    std::condition_variable queued_;    // a job waits, or the workers are to end
    std::condition_variable finished_;  // a worker ended a job
    std::deque<std::function<void()>> queue_;
    bool ending_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace lh
