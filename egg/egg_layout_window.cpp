// Placing the golden eggs by hand: a red sheet over the stage with a marker
// for every visible egg; a dropped marker moves its egg and stores the place.

#include <string>

#include "common/ui/main_commands.h"
#include "egg/egg.h"
#include "media/egg_media.h"
#include "runtime/convert.h"
#include "runtime/ui.h"

namespace egg {
namespace {

constexpr uint32_t kRed = 0x000000FF;
constexpr uint32_t kYellow = 0x0000FFFF;

UnitRef marker(int k) { return rt_unit(EggLayoutWindow, "图片框" + std::to_string(k)); }
UnitRef egg_button(int k) { return rt_unit(MainWindow, "图形按钮" + std::to_string(k)); }

void on_egg_layout_window_created()
{
    for (int k = 1; k <= 9; ++k)
        rt_set(marker(k), P_PICTURE, media::egg_picture(k));

    const UnitRef window = rt_window(EggLayoutWindow);
    const UnitRef stage = rt_window(MainWindow);
    for (int property : {P_LEFT, P_TOP, P_WIDTH, P_HEIGHT})
        rt_set(window, property, rt_get_int(stage, property));

    for (int k = 1; k <= 9; ++k)
        rt_set(marker(k), P_LEFT, rt_get_int(egg_button(k), P_LEFT));
    for (int k = 1; k <= 9; ++k)
        rt_set(marker(k), P_TOP, rt_get_int(egg_button(k), P_TOP));

    for (int k = 1; k <= 9; ++k)
        if (rt_get_bool(egg_button(k), P_VISIBLE))
            rt_set(marker(k), P_VISIBLE, true);
}

void drag_egg_marker(int k)
{
    const UnitRef m = marker(k);
    rt_send_message(m, 161, 2, 0);

    const UnitRef egg = egg_button(k);
    rt_set(egg, P_LEFT, rt_get_int(m, P_LEFT));
    rt_set(egg, P_TOP, rt_get_int(m, P_TOP));

    const std::string d = "d" + std::to_string(k);
    store_setting((d + "左边").c_str(), rt_to_text(rt_get_int(egg, P_LEFT)));
    store_setting((d + "顶边").c_str(), rt_to_text(rt_get_int(egg, P_TOP)));
}

void close_egg_layout_window() { rt_destroy_window(EggLayoutWindow); }

} // namespace

WindowDef egg_layout_window_definition()
{
    WindowDef w;
    w.id = EggLayoutWindow;
    w.name = "EggLayoutWindow";
    w.title = "";
    w.left = 50;
    w.top = 50;
    w.width = 865;
    w.height = 398;
    w.border = 0;
    w.back_color = kRed;
    w.events = {on(E_CREATED, on_egg_layout_window_created)};

    // The markers' designed places never show: creation puts each on its egg.
    for (int k = 1; k <= 9; ++k) {
        UnitDef m;
        m.name = "图片框" + std::to_string(k);
        m.type = UnitType::PictureBox;
        m.left = 8 + (k - 1) * 72;
        m.top = 56 + ((k - 1) % 2) * 144;
        m.width = 200;
        m.height = 188;
        m.flags = 0;
        m.events.push_back(on_mouse(E_LBUTTON_DOWN, [k](int32_t, int32_t, int32_t) { drag_egg_marker(k); }));
        w.units.push_back(m);
    }

    // Last, so a marker dropped over it never hides the way out.
    UnitDef done;
    done.name = "透明标签1";
    done.type = UnitType::TransparentLabel;
    done.left = 24;
    done.top = 8;
    done.width = 136;
    done.height = 40;
    done.caption = "设置完毕";
    done.font = FontSpec{"隶书", 29, true};
    done.text_color = kYellow;
    done.events.push_back(on_mouse(E_LBUTTON_DOWN, [](int32_t, int32_t, int32_t) { close_egg_layout_window(); }));
    w.units.push_back(done);
    return w;
}

} // namespace egg
