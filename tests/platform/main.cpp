// main() of the platform tests: a GUI application object (the hot key
// listens on its event loop) on Qt's offscreen platform unless another is
// asked for, with a private runtime folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string runtime_dir = (std::filesystem::temp_directory_path() / "prizedraw-xdg-XXXXXX").string();
    const bool own_runtime_dir = mkdtemp(runtime_dir.data()) != nullptr;
    if (own_runtime_dir) {
        chmod(runtime_dir.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime_dir.c_str(), 1);
    }
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    if (own_runtime_dir) {
        std::error_code ignored;
        std::filesystem::remove_all(runtime_dir, ignored);
    }
    return rc;
}
