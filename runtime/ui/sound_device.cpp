// The sound device output module: QAudioSink on the device the platform's
// sound system names as the default.
#include "runtime/ui/sound_device.h"

#include <algorithm>

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QIODevice>
#include <QMediaDevices>

namespace sound::detail {
namespace {

using namespace std::chrono_literals;
using Clock = Worker::Clock;

class SinkDevice final : public Device {
public:
    explicit SinkDevice(QAudioDevice chosen) : device(std::move(chosen)) {}
    const QAudioDevice device;
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

DeviceRef choose()
{
    if (!QCoreApplication::instance())
        return nullptr;
    const auto outputs = QMediaDevices::audioOutputs();
    if (outputs.isEmpty())
        return nullptr;
    const QAudioDevice preferred = QMediaDevices::defaultAudioOutput();
    return std::make_shared<SinkDevice>(preferred.isNull() ? outputs.front() : preferred);
}

std::unique_ptr<Output> open(Worker& worker, PcmFormat format, const Device& device)
{
    auto sink = std::make_unique<SinkOutput>(worker, format);
    if (!sink->start(static_cast<const SinkDevice&>(device).device))
        return nullptr;
    return sink;
}

} // namespace
} // namespace sound::detail

extern "C" const sound::detail::DeviceModule* prizedraw_sound_device_module_v1()
{
    static const sound::detail::DeviceModule module{sound::detail::choose, sound::detail::open};
    return &module;
}
