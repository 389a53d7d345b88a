// main() of the test executables that run windows: Qt's offscreen platform
// unless another is asked for, a private runtime folder, the runtime set up
// once, and silent sound.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "runtime/ui.h"
#include "runtime/ui/sound.h"

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string runtime_dir = (std::filesystem::temp_directory_path() / "prizedraw-xdg-XXXXXX").string();
    const bool own_runtime_dir = mkdtemp(runtime_dir.data()) != nullptr;
    if (own_runtime_dir) {
        chmod(runtime_dir.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime_dir.c_str(), 1);
        // Files the programs put in the user's cache (the fireworks) stay
        // out of the home folder.
        setenv("XDG_CACHE_HOME", (runtime_dir + "/cache").c_str(), 1);
    }

    // Death tests start the executable afresh rather than forking a process
    // that holds a toolkit and sound threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    testing::InitGoogleMock(&argc, argv);
    rt_init(argc, argv);
    sound::force_silent_output(true);

    const int rc = RUN_ALL_TESTS();
    sound::shutdown();
    if (own_runtime_dir) {
        std::error_code ignored;
        std::filesystem::remove_all(runtime_dir, ignored);
    }
    return rc;
}
