#pragma once
// Interface identifiers of the web browser control's document.

#include "platform/automation.h"

namespace platform {
inline constexpr GUID IID_IHTMLDocument{0x626FC520, 0xA41E, 0x11CF, {0xA7, 0x31, 0x00, 0xA0, 0xC9, 0x08, 0x26, 0x37}};
inline constexpr GUID IID_IHTMLDocument2{0x332C4425, 0x26CB, 0x11D0, {0xB4, 0x83, 0x00, 0xC0, 0x4F, 0xD9, 0x01, 0x19}};
} // namespace platform

// ExecWB command ids the control carries out.
inline constexpr int32_t OLECMDID_REFRESH = 22;
inline constexpr int32_t OLECMDID_STOP = 23;
