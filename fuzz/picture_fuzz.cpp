// libFuzzer entry for the picture decoders: every input goes through the
// picture decoder (with and without a box to scale JPEGs into) and the
// cursor decoder.

#include <cstdint>
#include <cstdlib>

#include "fuzz/gui_init.h"
#include "runtime/ui/picture.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Cursors are pixmaps, and pixmaps need the GUI application.
    static char name[] = "picture_fuzz";
    start_offscreen_gui(name);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes bytes(data, data + size);
    const Picture plain = decode_picture(bytes);
    const Picture boxed = decode_picture(bytes, QSize(37, 23));
    // The box only ever shrinks JPEGs, never to nothing.
    if (plain.empty() != boxed.empty() || boxed.size().width() > plain.size().width() ||
        boxed.size().height() > plain.size().height() || plain.frames.size() != plain.delays_ms.size())
        std::abort();
    (void)decode_cursor(bytes);
    return 0;
}
