#pragma once
// Shared pieces of the SWF reader.

#include "platform/core/swf_bits.h"
#include "platform/swf.h"

namespace swf::detail {

// Counts what a movie may still make the reader build.
class Budget {
public:
    bool take(size_t n) {
        if (n > left_) {
            left_ = 0;
            exhausted_ = true;
            return false;
        }
        left_ -= n;
        return true;
    }
    bool exhausted() const { return exhausted_; }

private:
    size_t left_ = kMaxElements;
    bool exhausted_ = false;
};

Rect read_rect(Bits& in);
Matrix read_matrix(Bits& in);
ColorTransform read_color_transform(Bits& in, bool alpha);
// A shape's styles and records; `shape_version` 1, 2 or 3 as DefineShape, 2, 3.
Shape read_shape_records(Bits& in, int shape_version, Budget& budget);

} // namespace swf::detail
