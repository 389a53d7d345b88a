#pragma once
// Files of the program folder that more than one routine reads or writes.

#include <string>

std::string settings_file(); // run dir + "/config.a"
std::string results_file();  // run dir + "/jieguo.a"

// The picture of prize grade k (1..8), as the operator chose it.
std::string prize_picture_path(int k);
