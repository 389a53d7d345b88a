#pragma once
// A player's worker thread with a stop request that interrupts its waits.
// It runs on a QThread so that the sound device objects it creates have an
// event dispatcher of their own.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

class QThread;

namespace sound::detail {

class Worker {
public:
    using Clock = std::chrono::steady_clock;

    // Starts the thread at once; `body` runs on it.
    explicit Worker(std::function<void(Worker&)> body);
    // Only after join() succeeded: a running thread still uses the object.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    void request_stop();
    bool stop_requested() const { return stop_.load(); }
    // True until the body has returned.
    bool running() const { return !body_done_.load(); }

    // Waits until `deadline` or a stop request; false when stopped.
    bool sleep_until(Clock::time_point deadline);
    bool sleep_for(Clock::duration d) { return sleep_until(Clock::now() + d); }

    // Waits up to `timeout` for the thread to end and then releases it;
    // true when it has ended. Call from the thread that made the worker.
    bool join(std::chrono::milliseconds timeout);

private:
    std::function<void(Worker&)> body_;
    QThread* thread_ = nullptr;
    std::atomic<bool> stop_{false};
    std::atomic<bool> body_done_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
};

} // namespace sound::detail
