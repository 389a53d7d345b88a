#pragma once
// Process services of the kernel library.

#include <cstdint>

// The pseudo handle of the calling process (-1).
intptr_t GetCurrentProcess();
// The program's own module for a null name; 0 for any other module, since
// the programs load none.
int64_t GetModuleHandleA(const char* module_name);
// With both sizes -1 for the current process: hands the heap's free memory
// back to the system. Working-set limits do not exist here: any other call
// changes nothing and answers false.
bool SetProcessWorkingSetSize(intptr_t process, intptr_t minimum, intptr_t maximum);
