#pragma once
// The sound device output, a module of its own. It is what needs the
// toolkit's multimedia library, and that library brings the sound server's
// client and a dozen codec libraries with it: loaded only when sound is
// first wanted, they cost the program's start nothing.

#include "runtime/ui/sound_output.h"

namespace sound::detail {

struct DeviceModule {
    // The default output device, or the first one; none without devices.
    DeviceRef (*choose)();
    // An output on `device` for `format`, made on the worker's thread;
    // null when the device refuses the format or fails to start.
    std::unique_ptr<Output> (*open)(Worker& worker, PcmFormat format, const Device& device);
};

} // namespace sound::detail

// The module's one entry point, looked up by this name. The name changes
// with the layout above, so a module left from another build is refused
// rather than called wrongly.
extern "C" const sound::detail::DeviceModule* prizedraw_sound_device_module_v1();
#define PRIZEDRAW_SOUND_ENTRY "prizedraw_sound_device_module_v1"
