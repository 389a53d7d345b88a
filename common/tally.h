#pragma once
// The tally of wins in the results file of the run folder.

#include <cstdint>
#include <string>

// Adds one win of `grade` (1..8) to its key j1..j8. False when the results
// file could not be written: the win is then not counted, and the operator
// must be told (win_not_counted_text).
bool record_win(int32_t grade);

// What the operator reads, in a message box with this title and a warning
// sign, when a win could not be counted.
std::string win_not_counted_text(int32_t grade);
inline constexpr const char* kWinNotCountedTitle = "中奖未记录";
