#pragma once
// Mouse input of units turned into the runtime's numbered events. Private to
// runtime/ui.

#include "runtime/types.h"

class QObject;

namespace rtui {

struct Unit;

// Raises the mouse events (-1 .. -4) of the unit a widget is tagged with.
void watch_input(QObject* widget);
// Sets (or, with an empty byte set, clears) a unit's mouse pointer.
void set_unit_cursor(Unit& unit, const Bytes& cursor);
// The key state of the modifiers: 1 Ctrl + 2 Shift + 4 Alt.
int key_state_of(int qt_modifiers);

} // namespace rtui
