// The tally of wins per prize grade, with the ring's pictures.

#include <string>

#include "common/ui/results_window.h"
#include "runtime/ui.h"
#include "wheel/wheel.h"

namespace wheel {

WindowDef results_window_definition()
{
    // The pictures are what the ring shows at this moment.
    return make_results_window_definition(
        ResultsWindow, [](int k) { return rt_get_bytes(main_unit("图片框" + std::to_string(k)), P_PICTURE); },
        "中奖结果没有清空！请检查程序文件夹是否可以写入！");
}

} // namespace wheel
