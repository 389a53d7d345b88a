#include "common/ui/window_mode.h"

#include "common/ui/main_commands.h"
#include "runtime/ui.h"

namespace {

void tick_window_mode(int main_window, bool full_screen)
{
    rt_set(rt_unit(main_window, "窗口"), P_MENU_CHECKED, !full_screen);
    rt_set(rt_unit(main_window, "全屏"), P_MENU_CHECKED, full_screen);
}

} // namespace

void set_full_screen(int main_window)
{
    const UnitRef window = rt_window(main_window);
    rt_set(window, P_WINDOW_BORDER, int32_t{0});
    rt_set(window, P_TOP, int32_t{0});
    rt_set(window, P_LEFT, int32_t{0});
    rt_set(window, P_WIDTH, rt_screen_width());
    rt_set(window, P_HEIGHT, rt_screen_height());
    tick_window_mode(main_window, true);
    store_setting("界面大小", "全屏");
}

void set_windowed(int main_window)
{
    const UnitRef window = rt_window(main_window);
    rt_set(window, P_WINDOW_BORDER, int32_t{1});
    rt_set(window, P_WIDTH, rt_screen_width() - 20);
    rt_set(window, P_HEIGHT, rt_screen_height() - 20);
    tick_window_mode(main_window, false);
    store_setting("界面大小", "窗口");
}

void restore_window_mode(int main_window)
{
    if (stored_setting("界面大小") == "窗口")
        set_windowed(main_window);
    else
        set_full_screen(main_window);
}

void cover_screen(int window_id)
{
    const UnitRef window = rt_window(window_id);
    rt_set(window, P_LEFT, int32_t{0});
    rt_set(window, P_TOP, int32_t{0});
    rt_set(window, P_WIDTH, rt_screen_width());
    rt_set(window, P_HEIGHT, rt_screen_height());
}
