#pragma once
// A system-wide hot key: a key grab on the root window of the X display, so
// the key reaches this program while another program has the focus.

#include <cstdint>
#include <functional>

namespace platform {

// Modifier code: 1 Ctrl, 2 Shift, 3 Ctrl+Shift, 4 Alt, 5 Ctrl+Alt, 6 Shift+Alt.
// virtual_key: a Windows virtual-key code ('A'..'Z', '0'..'9', F1.. etc.).
// Returns an id (33001 and up, in order of registration) or 0 when the key
// is taken by another program or no X display is available. `pressed` runs
// on the user-interface thread each time the key is pressed.
int32_t register_hot_key(int32_t modifiers, int32_t virtual_key, std::function<void()> pressed);
void unregister_all_hot_keys();

} // namespace platform
