#pragma once
// Hosting of controls in a window, as the active template library does it.

#include <cstdint>

#include "platform/automation.h"

// Registers the window class "AtlAxWin". A window of that class, made with
// CreateWindowExA, creates the web browser control for the address in its
// title and opens that address; the control's windows are "Shell Embedding"
// > "Shell DocObject View" > "Internet Explorer_Server", the last made once
// the page has loaded. Call on the user-interface thread.
bool AtlAxWinInit();
// The control of an "AtlAxWin" window: 0 (S_OK) and the control, or E_FAIL.
int32_t AtlAxGetControl(int64_t host_window, platform::AutoRef* control);
