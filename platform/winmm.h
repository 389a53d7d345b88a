#pragma once
#include <cstdint>

// The multimedia timer: milliseconds since the system started, 32 bits.
uint32_t timeGetTime();
// The system tick count in milliseconds, 32 bits.
uint32_t GetTickCount();
