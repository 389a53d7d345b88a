#pragma once
// Where the players' samples go: the sound device when there is one, else a
// silent output that consumes them in real time, so playing lasts as long
// as the sound would.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include <QAudioDevice>

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

// The device to play on, chosen on the caller's thread: none when output
// is forced silent, when there is no application object or no device.
std::optional<QAudioDevice> choose_device(bool force_silent);

// Opens an output for `format` on the worker's thread. Falls back to the
// silent output when the device refuses the format or fails to start.
std::unique_ptr<Output> open_output(Worker& worker, PcmFormat format,
                                    const std::optional<QAudioDevice>& device);

} // namespace sound::detail
