#include "common/paths.h"

#include "runtime/files.h"

std::string settings_file() { return rt_get_run_dir() + "/config.a"; }
std::string results_file() { return rt_get_run_dir() + "/jieguo.a"; }

std::string prize_picture_path(int k) { return rt_get_run_dir() + "\\奖品图片\\" + std::to_string(k) + ".jpg"; }
