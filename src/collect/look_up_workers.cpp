#include "collect/look_up_workers.h"

#include <algorithm>

namespace lh {

LookUpWorkers::~LookUpWorkers() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    queued_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

std::size_t LookUpWorkers::workerCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return threads_.size();
}

void LookUpWorkers::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        queued_.wait(lock, [this] { return ending_ || !queue_.empty(); });
        if (queue_.empty()) return;
        std::function<void()> job = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        job();
        lock.lock();
    }
}

namespace {

LookUpWorkers::Place placeOf(const LookUpWorkers::Batch& b, std::size_t i) {
    return b.placeOf ? b.placeOf(i) : LookUpWorkers::Place::Worker;
}

}  // namespace

void LookUpWorkers::run(const Batch& b) {
    const std::size_t parallel = static_cast<std::size_t>(std::max(1, b.parallel));
    std::vector<char> ended(b.count, 0);
    std::size_t started = 0;
    std::size_t delivered = 0;
    std::size_t running = 0;
    bool closing = false;

    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        while (!closing && delivered < started && ended[delivered]) {
            lock.unlock();
            const bool goOn = b.deliver(delivered);
            lock.lock();
            ++delivered;
            closing = !goOn;
        }
        if (!closing && started < b.count) {
            lock.unlock();
            closing = b.stopped && b.stopped();
            lock.lock();
        }
        if (closing || delivered == b.count) break;

        const Place place = started < b.count ? placeOf(b, started) : Place::Worker;
        const bool mayStart = place == Place::CallerAlone ? running == 0 : running < parallel;
        if (started < b.count && mayStart) {
            const std::size_t i = started++;
            ++running;
            if (place != Place::Worker) {
                lock.unlock();
                b.job(i);
                lock.lock();
                ended[i] = 1;
                --running;
                continue;
            }
            // Workers are added up to the cap; those of earlier pages are used again.
            if (threads_.size() < parallel) threads_.emplace_back([this] { work(); });
            queue_.emplace_back([this, &b, &ended, &running, i] {
                b.job(i);
                std::lock_guard<std::mutex> done(mutex_);
                ended[i] = 1;
                --running;
                // Under the lock: the batch may return and take its state with it as soon
                // as the lock is let go.
                finished_.notify_all();
            });
            queued_.notify_one();
            continue;
        }
        finished_.wait(lock);
    }
    finished_.wait(lock, [&running] { return running == 0; });
}

}  // namespace lh
