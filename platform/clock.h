#pragma once
#include <cstdint>

// Millisecond clocks of the platform. Tests replace them so that nothing
// waits for real time.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since the system started, wrapped to 32 bits (the tick
    // count; also what the multimedia timer reports).
    virtual uint32_t milliseconds_since_boot() = 0;
};

// The clock in force: the system clock unless a test installed another.
Clock& platform_clock();
// Installs `clock` (not owned); nullptr brings back the system clock.
void set_platform_clock(Clock* clock);

// A clock that only moves when told to.
class ManualClock final : public Clock {
public:
    explicit ManualClock(uint32_t start = 0) : now_(start) {}
    uint32_t milliseconds_since_boot() override { return now_; }
    void set(uint32_t ms) { now_ = ms; }
    void advance(uint32_t ms) { now_ += ms; }

private:
    uint32_t now_;
};
