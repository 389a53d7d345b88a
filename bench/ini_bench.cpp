// One settings item read and one written, on a settings file of 200 items
// such as the programs keep.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "runtime/ini.h"

namespace {

// A scratch folder holding a settings file of 200 items in three sections.
class SettingsFile {
public:
    SettingsFile()
    {
        std::string pattern
            = (std::filesystem::temp_directory_path() / "prizedraw-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            folder_ = pattern;
        path_ = folder_ + "/config.a";
        const char* grades[] = {"一", "二", "三", "四", "五", "六", "七", "八"};
        rt_write_config(path_, "zbt", "主标题", "购物有奖活动");
        rt_write_config(path_, "zbt", "副标题", "---现场抽奖仪式---");
        rt_write_config(path_, "zbt", "界面大小", "全屏");
        rt_write_config(path_, "zbt", "lx", "假");
        rt_write_config(path_, "zbt", "password", "QXABCDEFGHIJKLMNOP");
        int items = 5;
        for (const char* g : grades) {
            rt_write_config(path_, "zbt", g, std::to_string(items * 3));
            ++items;
        }
        for (int k = 1; k <= 9; ++k) {
            rt_write_config(path_, "zbt", "d" + std::to_string(k) + "左边", std::to_string(100 * k));
            rt_write_config(path_, "zbt", "d" + std::to_string(k) + "顶边", std::to_string(40 * k));
            items += 2;
        }
        rt_write_config(path_, "yanse", "主标题字体", "宋体");
        rt_write_config(path_, "yanse", "主标题字体大小", "36");
        rt_write_config(path_, "yanse", "主标题字体颜色", "65535");
        items += 3;
        for (int i = 0; items < 200; ++i, ++items)
            rt_write_config(path_, "extra", "setting_" + std::to_string(i), "value " + std::to_string(i));
    }
    ~SettingsFile()
    {
        std::error_code ec;
        if (!folder_.empty())
            std::filesystem::remove_all(folder_, ec);
    }
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string folder_;
    std::string path_;
};

void BM_ReadConfigItem(benchmark::State& state)
{
    const SettingsFile file;
    // A key of the first section, read at start-up.
    for (auto _ : state)
        benchmark::DoNotOptimize(rt_read_config(file.path(), "zbt", "d9顶边"));
}
BENCHMARK(BM_ReadConfigItem);

void BM_WriteConfigItem(benchmark::State& state)
{
    const SettingsFile file;
    // A changing value, so every write replaces the file on disk.
    int n = 0;
    for (auto _ : state) {
        const bool ok = rt_write_config(file.path(), "zbt", "主标题左边", std::to_string(n++ % 1000));
        if (!ok)
            state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_WriteConfigItem);

} // namespace
