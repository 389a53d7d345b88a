// The tally of wins per prize grade, and clearing it before a new event.

#include <string>

#include "common/paths.h"
#include "common/ui/results_window.h"
#include "egg/egg.h"
#include "runtime/files.h"

namespace egg {

WindowDef results_window_definition()
{
    // The pictures are the prize files as they stand now.
    return make_results_window_definition(
        ResultsWindow,
        [](int k) { return rt_read_file(prize_picture_path(k)); },
        "中奖结果没有清空  请检查程序文件夹是否可以写入  ");
}

} // namespace egg
