#pragma once
#include <functional>

// What run_unprivileged returns when the child could not give up the
// privilege to override file permissions; tests then skip.
inline constexpr int kCannotDropPrivilege = 77;

// Runs `body` in a child process that file permissions bind: when this
// process is root, the child first becomes user and group "nobody" (65534),
// so a read-only folder is read-only to it. Returns the child's exit code
// (the result of `body`). Only for processes without threads of their own.
int run_unprivileged(const std::function<int()>& body);
