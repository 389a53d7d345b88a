// The wheel's look: zoom, the round cut of the frame, the four faces and the
// other-settings panel.

#include <algorithm>
#include <array>
#include <string>

#include "common/ui/main_commands.h"
#include "media/wheel_media.h"
#include "platform/gdi32.h"
#include "platform/user32.h"
#include "runtime/convert.h"
#include "runtime/ui.h"
#include "wheel/wheel.h"

namespace wheel {

float zoom_factor = 1.0f;

namespace {

constexpr float kZoomStep = 1.1f;
constexpr uint32_t kNcLButtonDown = 161;
constexpr int32_t kHitCaption = 2;
constexpr int32_t kFocusInterval = 200;

const std::array<const char*, 4> kStyleItems{"样式一", "样式二", "样式三", "样式四"};

int32_t scaled(int32_t v) { return rt_to_int(static_cast<double>(v) * static_cast<double>(zoom_factor)); }

void scale(UnitRef u, int property) { rt_set(u, property, scaled(rt_get_int(u, property))); }

void scale_font(UnitRef label)
{
    const RtValue size = rt_read_unit_property(label, P_LABEL_FONT, 5);
    if (const auto* points = std::get_if<int32_t>(&size))
        rt_write_unit_property(label, P_LABEL_FONT, 5, scaled(*points));
}

int32_t number_in(const char* field) { return rt_to_int(rt_to_number(rt_get_text(main_unit(field), P_TEXT))); }

} // namespace

void zoom_step()
{
    zoom_factor = kZoomStep;
    scale_layout();
    zoom_factor = 1.0f;
}

void scale_layout()
{
    const UnitRef frame = main_unit("外形框1");
    const UnitRef face = main_unit("图片框_背景");
    const UnitRef start = main_unit("透明标签_开始");
    const UnitRef stop = main_unit("透明标签_结束");
    for (UnitRef u : {frame, face}) {
        scale(u, P_WIDTH);
        scale(u, P_HEIGHT);
    }
    for (UnitRef u : {start, stop})
        for (int property : {P_WIDTH, P_HEIGHT, P_LEFT, P_TOP})
            scale(u, property);
    scale_font(start);
    scale_font(stop);
    for (int k = 1; k <= 8; ++k) {
        scale(slot(k), P_WIDTH);
        scale(slot(k), P_HEIGHT);
    }
    for (int k = 1; k <= 8; ++k) {
        scale(slot(k), P_LEFT);
        scale(slot(k), P_TOP);
    }
}

// A wheel that leaves the screen can no longer be shown whole, and every
// further step only costs time at start-up and on saving. The frame grows
// right and down from where it stands (its stored or designed top, 160 at
// first): at that top 6 steps (884 pixels) fit a 1920 x 1080 screen.
int32_t zoom_steps_allowed(int32_t asked)
{
    const UnitRef frame = main_unit("外形框1");
    const int64_t left = rt_get_int(frame, P_LEFT);
    const int64_t top = rt_get_int(frame, P_TOP);
    int32_t width = rt_get_int(frame, P_WIDTH);
    int32_t height = rt_get_int(frame, P_HEIGHT);
    int32_t steps = 0;
    while (steps < asked) {
        width = rt_to_int(static_cast<double>(width) * static_cast<double>(kZoomStep));
        height = rt_to_int(static_cast<double>(height) * static_cast<double>(kZoomStep));
        if (left + width > rt_screen_width() || top + height > rt_screen_height())
            break;
        ++steps;
    }
    return steps;
}

void zoom_wheel(int32_t asked)
{
    const int32_t steps = zoom_steps_allowed(asked);
    for (int32_t i = 0; i < steps; ++i)
        zoom_step();
}

void make_round_region(int64_t window, int32_t ellipse)
{
    RECT r;
    GetWindowRect(window, &r);
    const int32_t width = r.right - r.left;
    const int32_t height = r.bottom - r.top;
    const int64_t region = CreateRoundRectRgn(0, 0, width + 1, height + 1, ellipse, ellipse);
    // A window that takes the region owns it; one that cannot must not leak it.
    if (!SetWindowRgn(window, region, true))
        DeleteObject(region);
}

void round_wheel_frame() { make_round_region(rt_get_window_handle(main_unit("外形框1")), 1000); }

void tick_wheel_style(int k)
{
    for (int n = 1; n <= 4; ++n)
        rt_set(main_unit(kStyleItems[static_cast<size_t>(n - 1)]), P_MENU_CHECKED, n == k);
}

void set_wheel_style(int k)
{
    tick_wheel_style(k);
    rt_set(main_unit("图片框_背景"), P_PICTURE, media::wheel_face(k));
    store_setting("样式", "zp" + std::to_string(k));
}

void open_other_settings()
{
    const UnitRef panel = main_unit("外形框2");
    rt_set(panel, P_VISIBLE, true);
    rt_set_z_order(panel, 0);
    rt_set(main_unit("时钟2"), P_TIMER_INTERVAL, int32_t{0});
}

void close_other_settings()
{
    rt_set(main_unit("外形框2"), P_VISIBLE, false);
    rt_set(main_unit("时钟2"), P_TIMER_INTERVAL, kFocusInterval);
}

void drag_other_settings() { rt_send_message(main_unit("外形框2"), kNcLButtonDown, kHitCaption, 0); }

void apply_other_settings()
{
    const UnitRef result = main_unit("图片框a_结果");
    const std::string height = rt_get_text(main_unit("编辑框_奖品图片高"), P_TEXT);
    store_setting("奖品图片高", height);
    rt_set(result, P_HEIGHT, rt_to_int(rt_to_number(height)));
    const std::string width = rt_get_text(main_unit("编辑框_奖品图片宽"), P_TEXT);
    store_setting("奖品图片宽", width);
    rt_set(result, P_WIDTH, rt_to_int(rt_to_number(width)));
    store_setting("滚动速度", rt_get_text(main_unit("编辑框_滚动速度"), P_TEXT));
    store_setting("禁用特效", rt_to_text(rt_get_bool(main_unit("选择框_禁用特效"), P_CHECKED)));
    store_setting("自动停止", rt_get_text(main_unit("编辑框_自动停止"), P_TEXT));
    close_other_settings();
    store_setting("计次", rt_get_text(main_unit("编辑框_转盘大小"), P_TEXT));

    const UnitRef frame = main_unit("外形框1");
    const UnitRef face = main_unit("图片框_背景");
    const UnitRef start = main_unit("透明标签_开始");
    const UnitRef stop = main_unit("透明标签_结束");
    for (UnitRef u : {frame, face}) {
        rt_set(u, P_WIDTH, kFaceSide);
        rt_set(u, P_HEIGHT, kFaceSide);
    }
    for (int k = 1; k <= 8; ++k) {
        rt_set(slot(k), P_LEFT, kRing[static_cast<size_t>(k - 1)].left);
        rt_set(slot(k), P_TOP, kRing[static_cast<size_t>(k - 1)].top);
    }
    for (UnitRef u : {start, stop}) {
        rt_set(u, P_LEFT, kCentreLeft);
        rt_set(u, P_TOP, kCentreTop);
    }
    rt_write_unit_property(stop, P_LABEL_FONT, 5, int32_t{30});
    rt_write_unit_property(start, P_LABEL_FONT, 5, int32_t{30});
    for (int k = 1; k <= 8; ++k)
        rt_set(slot(k), P_WIDTH, kSlotWidth);
    for (int k = 1; k <= 8; ++k)
        rt_set(slot(k), P_HEIGHT, kSlotHeight);
    for (UnitRef u : {start, stop})
        rt_set(u, P_WIDTH, kCentreWidth);
    for (UnitRef u : {start, stop})
        rt_set(u, P_HEIGHT, kCentreHeight);

    zoom_wheel(number_in("编辑框_转盘大小"));
    round_wheel_frame();
}

UnitRef slot(int32_t k) { return main_unit("图片框" + std::to_string(k)); }

} // namespace wheel
