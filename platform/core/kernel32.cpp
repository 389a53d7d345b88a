#include "platform/kernel32.h"

#include <malloc.h>

namespace {
// Where the program's image would be loaded; any non-zero value serves.
constexpr int64_t kOwnModule = 0x400000;
} // namespace

intptr_t GetCurrentProcess() { return -1; }

int64_t GetModuleHandleA(const char* module_name) { return module_name == nullptr ? kOwnModule : 0; }

bool SetProcessWorkingSetSize(intptr_t process, intptr_t minimum, intptr_t maximum)
{
    if (process != GetCurrentProcess() || minimum != -1 || maximum != -1)
        return false;
    malloc_trim(0);
    return true;
}
