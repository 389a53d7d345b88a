#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "runtime/types.h"

// The folder of the running program, without a trailing separator. Set at
// start-up from the executable's path; tests point it at a scratch folder.
std::string rt_get_run_dir();
void rt_set_run_dir(std::string dir);

// A path as the handlers build it, made usable here: '\' becomes '/', and
// trailing blanks of the last component are dropped.
std::string rt_native_path(std::string_view path);

bool rt_file_exists(std::string_view path);            // file or folder
Bytes rt_read_file(std::string_view path);             // empty when unreadable
bool rt_write_file(std::string_view path, const Bytes& data);
bool rt_write_file(std::string_view path, const std::vector<Bytes>& parts);
bool rt_copy_file(std::string_view source, std::string_view target);
bool rt_delete_file(std::string_view path);
bool rt_create_directory(std::string_view path);       // one level
