// libFuzzer entry for the picture decoders: every input goes through the
// picture decoder (with and without a box to scale JPEGs into) and the
// cursor decoder.

#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

#include "runtime/ui/picture.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Cursors are pixmaps, and pixmaps need the GUI application.
    static int argc = 1;
    static char name[] = "picture_fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
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
