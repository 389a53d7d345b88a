#pragma once
// Handing an automation object across a window message: the window answers
// the message with a result from LresultFromObject, and the asker turns that
// result back into the object with ObjectFromLresult.

#include <cstdint>

#include "platform/automation.h"

inline constexpr int32_t S_OK = 0;
inline constexpr int32_t E_FAIL = static_cast<int32_t>(0x80004005u);
inline constexpr int32_t E_NOINTERFACE = static_cast<int32_t>(0x80004002u);
inline constexpr int32_t E_INVALIDARG = static_cast<int32_t>(0x80070057u);

// A positive message result standing for `object`, good for one
// ObjectFromLresult; 0 when there is no object.
intptr_t LresultFromObject(const platform::GUID& iid, uintptr_t wparam, platform::AutoRef object);
// S_OK and the object when `result` stands for one that supports `iid`; the
// result is used up either way.
int32_t ObjectFromLresult(intptr_t result, const platform::GUID& iid, uintptr_t wparam,
                          platform::AutoRef* object);
