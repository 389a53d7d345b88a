#include "platform/clock.h"
#include "platform/winmm.h"

#include <ctime>

namespace {

class SystemClock final : public Clock {
public:
    uint32_t milliseconds_since_boot() override
    {
        timespec ts{};
        clock_gettime(CLOCK_BOOTTIME, &ts);
        const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
        return static_cast<uint32_t>(ms);
    }
};

SystemClock system_clock;
Clock* current = &system_clock;

} // namespace

Clock& platform_clock() { return *current; }

void set_platform_clock(Clock* clock) { current = clock ? clock : &system_clock; }

uint32_t timeGetTime() { return platform_clock().milliseconds_since_boot(); }

uint32_t GetTickCount() { return platform_clock().milliseconds_since_boot(); }
