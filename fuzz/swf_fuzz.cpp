// libFuzzer entry for the SWF reader and the movie player: every input is
// read, and whatever reads is played for a few frames into a small picture.

#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/gui_init.h"
#include "platform/swf.h"
#include "platform/ui/movie_player.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static char name[] = "swf_fuzz";
    start_offscreen_gui(name);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    const swf::Movie m = swf::read_movie(bytes);
    // What the reader promises whatever the input.
    if (m.body_length > swf::kMaxBodyBytes || (m.ok && m.timeline.frames.empty()) ||
        m.timeline.frames.size() > swf::kMaxFrames || (!m.ok && !m.characters.empty()))
        std::abort();
    for (const auto& [id, c] : m.characters)
        if (c.kind == swf::Character::Kind::Sprite &&
            (c.sprite->nesting > swf::kMaxSpriteNesting || c.sprite->timeline.frames.empty()))
            std::abort();

    platform::MoviePlayer player(bytes);
    if (player.empty() != !m.ok || player.frame_count() < 1 || !(player.frame_rate() > 0))
        std::abort();
    QImage frame(96, 72, QImage::Format_ARGB32_Premultiplied);
    const int frames = std::min(player.frame_count(), 6) + 2;
    for (int f = 0; f < frames; ++f) {
        frame.fill(Qt::black);
        QPainter painter(&frame);
        player.paint(painter, QRectF(0, 0, frame.width(), frame.height()),
                     static_cast<platform::MovieScale>(f % 3));
        painter.end();
        player.advance();
    }
    return 0;
}
