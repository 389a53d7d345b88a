#include "runtime/ui/sound_output.h"

#include <algorithm>

#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QIODevice>
#include <QMediaDevices>

namespace sound::detail {
namespace {

using namespace std::chrono_literals;
using Clock = Worker::Clock;

Clock::duration frames_to_duration(uint64_t frames, int rate)
{
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(static_cast<int64_t>(frames * 1'000'000'000ULL / static_cast<uint64_t>(rate))));
}

// Sleeps through each chunk. Time is counted from a base point so rounding
// does not add up; after a long stall (the process was stopped, say) it
// starts counting afresh instead of rushing to catch up.
class SilentOutput final : public Output {
public:
    SilentOutput(Worker& worker, int rate) : worker_(worker), rate_(rate) {}

    bool write(const int16_t*, size_t frames) override
    {
        const auto now = Clock::now();
        if (!started_ || base_ + frames_to_duration(frames_, rate_) < now - 200ms) {
            started_ = true;
            base_ = now;
            frames_ = 0;
        }
        frames_ += frames;
        const auto due = base_ + frames_to_duration(frames_, rate_);
        // Moves the base along every hour so the count never overflows in
        // a loop that plays for days.
        if (frames_ >= static_cast<uint64_t>(rate_) * 3600) {
            base_ = due;
            frames_ = 0;
        }
        return worker_.sleep_until(due);
    }
    bool drain() override { return !worker_.stop_requested(); }
    bool silent() const override { return true; }

private:
    Worker& worker_;
    int rate_;
    bool started_ = false;
    Clock::time_point base_;
    uint64_t frames_ = 0;
};

// Pushes into a QAudioSink that this worker thread owns. The sink's own
// timers and queued calls run when the thread processes its events between
// writes. A sink that fails or stops taking data hands over to the silent
// output, so a vanished device never stalls the list.
class SinkOutput final : public Output {
public:
    SinkOutput(Worker& worker, PcmFormat format) : worker_(worker), format_(format) {}

    ~SinkOutput() override
    {
        if (sink_) {
            // Drops what is still queued rather than waiting for it.
            sink_->reset();
            sink_->stop();
        }
    }

    bool start(const QAudioDevice& device)
    {
        QAudioFormat qformat;
        qformat.setSampleRate(format_.rate);
        qformat.setChannelCount(format_.channels);
        qformat.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(qformat))
            return false;
        sink_ = std::make_unique<QAudioSink>(device, qformat);
        // Short enough that a stop is not followed by a long tail.
        sink_->setBufferSize(qformat.bytesForDuration(150'000));
        io_ = sink_->start();
        if (!io_ || sink_->state() == QAudio::StoppedState || fatal()) {
            sink_.reset();
            io_ = nullptr;
            return false;
        }
        frame_bytes_ = qformat.bytesPerFrame();
        return true;
    }

    bool write(const int16_t* samples, size_t frames) override
    {
        if (fallback_)
            return fallback_->write(samples, frames);
        const char* at = reinterpret_cast<const char*>(samples);
        qint64 left = static_cast<qint64>(frames) * frame_bytes_;
        auto last_progress = Clock::now();
        while (left > 0) {
            if (worker_.stop_requested())
                return false;
            QCoreApplication::processEvents();
            if (fatal())
                return give_up(left);
            const qint64 room = std::min(left, sink_->bytesFree() / frame_bytes_ * frame_bytes_);
            if (room > 0) {
                const qint64 put = io_->write(at, room);
                if (put < 0)
                    return give_up(left);
                if (put > 0) {
                    at += put;
                    left -= put;
                    written_bytes_ += put;
                    last_progress = Clock::now();
                    continue;
                }
            }
            if (Clock::now() - last_progress > 2s)
                return give_up(left);
            if (!worker_.sleep_for(5ms))
                return false;
        }
        return true;
    }

    bool drain() override
    {
        if (fallback_)
            return fallback_->drain();
        const qint64 written_us = written_bytes_ * 1'000'000 / (qint64(frame_bytes_) * format_.rate);
        // Bounded by the sound still queued, should the device stop reporting.
        const auto deadline = Clock::now() + std::chrono::microseconds(
            std::max<qint64>(0, written_us - sink_->processedUSecs())) + 300ms;
        while (Clock::now() < deadline) {
            QCoreApplication::processEvents();
            if (fatal() || sink_->state() != QAudio::ActiveState || sink_->processedUSecs() >= written_us)
                break;
            if (!worker_.sleep_for(5ms))
                return false;
        }
        return !worker_.stop_requested();
    }

    bool silent() const override { return fallback_ != nullptr; }

private:
    bool fatal() const
    {
        const auto error = sink_->error();
        return sink_->state() == QAudio::StoppedState
            || (error != QAudio::NoError && error != QAudio::UnderrunError);
    }

    // Plays the rest of this chunk and everything after it silently.
    bool give_up(qint64 bytes_left)
    {
        sink_->reset();
        sink_->stop();
        fallback_ = std::make_unique<SilentOutput>(worker_, format_.rate);
        return fallback_->write(nullptr, static_cast<size_t>(bytes_left / frame_bytes_));
    }

    Worker& worker_;
    PcmFormat format_;
    std::unique_ptr<QAudioSink> sink_;
    QIODevice* io_ = nullptr;
    int frame_bytes_ = 0;
    qint64 written_bytes_ = 0;
    std::unique_ptr<SilentOutput> fallback_;
};

} // namespace

std::optional<QAudioDevice> choose_device(bool force_silent)
{
    if (force_silent || !QCoreApplication::instance())
        return std::nullopt;
    const auto outputs = QMediaDevices::audioOutputs();
    if (outputs.isEmpty())
        return std::nullopt;
    const QAudioDevice preferred = QMediaDevices::defaultAudioOutput();
    return preferred.isNull() ? outputs.front() : preferred;
}

std::unique_ptr<Output> open_output(Worker& worker, PcmFormat format,
                                    const std::optional<QAudioDevice>& device)
{
    if (device) {
        auto sink = std::make_unique<SinkOutput>(worker, format);
        if (sink->start(*device))
            return sink;
    }
    return std::make_unique<SilentOutput>(worker, format.rate);
}

} // namespace sound::detail
