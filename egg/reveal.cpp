// The prize reveal: the board's picture grows and turns from the board's
// centre until it nearly fills the board, then the board itself shows.

#include "egg/reveal.h"

#include <cmath>
#include <utility>

#include "egg/egg.h"
#include "runtime/ui.h"

namespace egg {
namespace {

// Truncates toward zero and keeps the low 32 bits, as a 32-bit variable of
// the draw routines would.
int32_t low32(double v)
{
    const double t = std::trunc(v);
    if (!(std::fabs(t) < 9.2e18))
        return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(t)));
}

} // namespace

RevealSteps::RevealSteps(int32_t width, int32_t height)
{
    const double W = width;
    const double H = height;
    m_ = low32((W + H) / 33.0);
    // With no height the aspect ratio is undefined, and with a zoom step of
    // 0 the copy never grows: either would loop for ever.
    playable_ = width >= 1 && height >= 1 && m_ >= 1;
    if (!playable_)
        return;
    g_ = W / H;
    x_ = W / 2.0;
    w_ = (H / 2.0) / (950.0 / m_);
}

RevealFrame RevealSteps::next(int32_t height_now)
{
    RevealFrame f;
    if (!playable_)
        return f;
    ++v_;
    const double vm = static_cast<double>(v_) * m_;
    f.zoom = low32(vm);
    x_ -= w_ * g_;
    f.top = low32(static_cast<double>(height_now) / 2.0 - v_ * w_);
    f.left = low32(x_);
    f.angle = low32(vm / 2.7);
    f.shown = !(vm - 950.0 > 0.0000001);
    return f;
}

std::vector<RevealFrame> reveal_frames(int32_t width, int32_t height)
{
    std::vector<RevealFrame> frames;
    RevealSteps steps(width, height);
    if (!steps.playable())
        return frames;
    for (;;) {
        frames.push_back(steps.next(height));
        if (!frames.back().shown)
            return frames;
    }
}

void play_reveal_animation()
{
    const UnitRef board = rt_unit(MainWindow, "画板相片");
    const UnitRef box = rt_unit(MainWindow, "动画框1");
    const UnitRef object = rt_unit(MainWindow, "动画物体1");

    rt_set(object, P_WIDTH, rt_get_int(board, P_WIDTH));
    rt_set(object, P_HEIGHT, rt_get_int(board, P_HEIGHT));
    rt_set(object, P_SPRITE_ZOOM, int32_t{0});
    {
        Bytes snapshot = rt_unit_snapshot(board);
        rt_set(object, P_SPRITE_PICTURE, std::move(snapshot));
    }
    int32_t id = rt_sprite_add(box, object, 0, 0);
    rt_set(board, P_VISIBLE, false);
    rt_set(box, P_VISIBLE, true);

    RevealSteps steps(rt_get_int(board, P_WIDTH), rt_get_int(board, P_HEIGHT));
    if (!steps.playable()) {
        rt_sprite_remove(box, id);
    } else {
        for (;;) {
            rt_sprite_remove(box, id);
            // The zoom goes on the template before the copy is made; the
            // frame's other values need the height as it is now.
            const RevealFrame f = steps.next(rt_get_int(board, P_HEIGHT));
            rt_set(object, P_SPRITE_ZOOM, f.zoom);
            id = rt_sprite_add(box, object, f.left, f.top);
            rt_sprite_rotate(box, id, f.angle);
            if (!f.shown) {
                rt_sprite_remove(box, id);
                break;
            }
            rt_do_events();
        }
    }
    rt_set(box, P_VISIBLE, false);
    rt_set(board, P_VISIBLE, true);
}

} // namespace egg
