#include "runtime/error.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace {
ErrorReporter reporter;
}

void rt_set_error_reporter(ErrorReporter r) { reporter = std::move(r); }

void rt_report_error(int number, std::string_view message)
{
    if (reporter) {
        reporter(number, message);
    } else {
        std::fprintf(stderr, "运行时出错! %d %.*s\n", number, static_cast<int>(message.size()), message.data());
    }
    std::_Exit(1);
}
