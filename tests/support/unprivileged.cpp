#include "tests/support/unprivileged.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

int run_unprivileged(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child < 0)
        return kCannotDropPrivilege;
    if (child == 0) {
        if (::geteuid() == 0) {
            constexpr gid_t nobody_group = 65534;
            constexpr uid_t nobody = 65534;
            if (::setgroups(0, nullptr) != 0 || ::setgid(nobody_group) != 0 || ::setuid(nobody) != 0 ||
                ::geteuid() == 0)
                ::_exit(kCannotDropPrivilege);
        }
        ::_exit(body());
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return kCannotDropPrivilege;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
