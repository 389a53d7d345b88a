#include "common/tally.h"

#include "common/paths.h"
#include "runtime/convert.h"
#include "runtime/ini.h"

bool record_win(int32_t grade)
{
    const std::string path = results_file();
    const std::string key = "j" + rt_to_text(grade);
    const double wins = rt_to_number(rt_read_config(path, "zjjg", key)) + 1.0;
    return rt_write_config(path, "zjjg", key, rt_to_text(wins));
}

std::string win_not_counted_text(int32_t grade)
{
    return "注意：这次抽中的第" + rt_to_text(grade) +
           "项奖品没能记入中奖结果！\r\n\r\n"
           "中奖结果文件 jieguo.a 无法写入（程序文件夹只读、磁盘已满，或文件被占用）。\r\n"
           "按奖品数量抽奖时，这份奖品仍留在奖池里。\r\n\r\n"
           "请先记下这次中奖，排除问题后再继续抽奖。";
}
