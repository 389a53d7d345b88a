#pragma once
// Where the players' samples go: the sound device when there is one, else a
// silent output that consumes them in real time, so playing lasts as long
// as the sound would.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "runtime/ui/sound_decode.h"
#include "runtime/ui/sound_worker.h"

namespace sound::detail {

class Output {
public:
    virtual ~Output() = default;
    // Plays `frames` frames; returns once they are consumed or queued.
    // False when the worker was told to stop.
    virtual bool write(const int16_t* samples, size_t frames) = 0;
    // Waits until everything written has been heard; false when stopped.
    virtual bool drain() = 0;
    virtual bool silent() const = 0;
};

// A sound device, as the device module knows it.
class Device {
public:
    virtual ~Device() = default;
};
using DeviceRef = std::shared_ptr<const Device>;

// The device to play on, chosen on the caller's thread: none when output
// is forced silent, when there is no application object or no device, or
// when the device module cannot be loaded.
DeviceRef choose_device(bool force_silent);

// Opens an output for `format` on the worker's thread. Falls back to the
// silent output when there is no device, or the device refuses the format
// or fails to start.
std::unique_ptr<Output> open_output(Worker& worker, PcmFormat format, const DeviceRef& device);

// Loads the device module, unless it is loaded: start-up has it loaded on
// a thread of its own once the first window shows, so that neither the
// start nor the first sound waits for it.
void load_device_module();

// Sleeps through each chunk. Time is counted from a base point so rounding
// does not add up; after a long stall (the process was stopped, say) it
// starts counting afresh instead of rushing to catch up.
class SilentOutput final : public Output {
public:
    SilentOutput(Worker& worker, int rate) : worker_(worker), rate_(rate) {}

    bool write(const int16_t*, size_t frames) override
    {
        using namespace std::chrono_literals;
        const auto now = Worker::Clock::now();
        if (!started_ || base_ + duration_of(frames_) < now - 200ms) {
            started_ = true;
            base_ = now;
            frames_ = 0;
        }
        frames_ += frames;
        const auto due = base_ + duration_of(frames_);
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
    Worker::Clock::duration duration_of(uint64_t frames) const
    {
        return std::chrono::duration_cast<Worker::Clock::duration>(std::chrono::nanoseconds(
            static_cast<int64_t>(frames * 1'000'000'000ULL / static_cast<uint64_t>(rate_))));
    }

    Worker& worker_;
    int rate_;
    bool started_ = false;
    Worker::Clock::time_point base_;
    uint64_t frames_ = 0;
};

} // namespace sound::detail
