#include "runtime/ui/sound_worker.h"

#include <QDeadlineTimer>
#include <QThread>

namespace sound::detail {

Worker::Worker(std::function<void(Worker&)> body) : body_(std::move(body))
{
    thread_ = QThread::create([this] {
        body_(*this);
        body_done_ = true;
    });
    thread_->start();
}

Worker::~Worker()
{
    if (thread_) {
        request_stop();
        thread_->wait();
        delete thread_;
    }
}

void Worker::request_stop()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
}

bool Worker::sleep_until(Clock::time_point deadline)
{
    std::unique_lock lock(mutex_);
    wake_.wait_until(lock, deadline, [this] { return stop_.load(); });
    return !stop_;
}

bool Worker::join(std::chrono::milliseconds timeout)
{
    if (!thread_)
        return true;
    if (!thread_->wait(QDeadlineTimer(timeout.count())))
        return false;
    delete thread_;
    thread_ = nullptr;
    return true;
}

} // namespace sound::detail
