#pragma once
// The tally of wins per prize grade and clearing it before a new event: the
// same window in both programs, but for where the grade pictures come from
// and the wording of a failed clearing.

#include <functional>

#include "runtime/types.h"
#include "runtime/ui.h"

// The picture the window shows for grade k (1..8) when it opens.
using GradePicture = std::function<Bytes(int grade)>;

// `not_cleared` tells the operator that the results file kept its tallies.
WindowDef make_results_window_definition(int window_id, GradePicture grade_picture, const char* not_cleared);
