#pragma once
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "runtime/byte_set.h"

// Names one unit of one window. Unit 0 is the window itself.
struct UnitRef {
    int32_t window = 0;
    int32_t unit = 0;
    friend bool operator==(const UnitRef&, const UnitRef&) = default;
};

// The font record of a transparent label (members 0..6).
struct FontValue {
    int32_t reserved = 0;      // member 0
    bool bold = false;         // member 1
    bool italic = false;       // member 2
    bool strikeout = false;    // member 3
    bool underline = false;    // member 4
    int32_t size_pt = 9;       // member 5, points
    std::string face;          // member 6, UTF-8
    friend bool operator==(const FontValue&, const FontValue&) = default;
};

// A property value as handlers read and write it. Texts are UTF-8.
using RtValue = std::variant<std::monostate, bool, int32_t, double, std::string, Bytes, FontValue>;
