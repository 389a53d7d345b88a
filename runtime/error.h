#pragma once
#include <functional>
#include <string_view>

// Shows the runtime's error report ("运行时出错!" with number and message)
// and ends the program. The window layer installs a reporter that shows a
// box; without one the report goes to standard error.
[[noreturn]] void rt_report_error(int number, std::string_view message);

using ErrorReporter = std::function<void(int number, std::string_view message)>;
// The reporter shows the report; the program ends after it returns.
void rt_set_error_reporter(ErrorReporter reporter);

// Error numbers of the runtime.
enum RtError : int {
    RT_ERR_INDEX = 1,          // array index outside 1..count
    RT_ERR_DIVIDE_BY_ZERO = 2, // remainder by zero
    RT_ERR_OUT_OF_MEMORY = 3,
    RT_ERR_BAD_UNIT = 4,       // a unit or window that does not exist
};
