// main() of the window-layer tests that need a real X server: a private
// Xvfb is started first and the application runs on it (Qt's xcb
// platform). Where Xvfb is missing the tests skip.
#include <gtest/gtest.h>

#include <QApplication>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

namespace {

pid_t server_pid = 0;

// Starts Xvfb on a free high number; true once it listens there.
bool start_xvfb()
{
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int number = 300 + int(random() % 700);
        if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
            std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock"))
            continue;
        int ready[2];
        if (pipe(ready) != 0)
            return false;
        const pid_t pid = fork();
        if (pid == 0) {
            close(ready[0]);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDERR_FILENO);
            const std::string name = ":" + std::to_string(number);
            const std::string fd = std::to_string(ready[1]);
            execlp("Xvfb", "Xvfb", name.c_str(), "-noreset", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        // -displayfd: the server writes its number there once it listens.
        char got[16] = {};
        ssize_t n = 0;
        while (pid > 0 && n < ssize_t(sizeof got) - 1) {
            const ssize_t r = read(ready[0], got + n, sizeof got - 1 - size_t(n));
            if (r <= 0 || std::memchr(got, '\n', size_t(n + r)))
                break;
            n += r;
        }
        close(ready[0]);
        if (pid > 0 && std::atoi(got) == number) {
            server_pid = pid;
            setenv("DISPLAY", (":" + std::to_string(number)).c_str(), 1);
            return true;
        }
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const bool listing = testing::GTEST_FLAG(list_tests);
    if (!listing && start_xvfb())
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    else
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string runtime_dir = (std::filesystem::temp_directory_path() / "prizedraw-xdg-XXXXXX").string();
    const bool own_runtime_dir = mkdtemp(runtime_dir.data()) != nullptr;
    if (own_runtime_dir) {
        chmod(runtime_dir.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime_dir.c_str(), 1);
    }
    int rc = 0;
    {
        QApplication app(argc, argv);
        rc = RUN_ALL_TESTS();
    }
    if (server_pid > 0) {
        kill(server_pid, SIGTERM);
        waitpid(server_pid, nullptr, 0);
    }
    if (own_runtime_dir) {
        std::error_code ignored;
        std::filesystem::remove_all(runtime_dir, ignored);
    }
    return rc;
}
