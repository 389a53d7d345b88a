#pragma once
#include <sys/stat.h>

#include <string>

namespace files {

// Opens `path` with `flags` and refuses anything that is not a regular file
// (returns -1). Shared by everything that reads or writes the operator's files.
int open_regular(const std::string& path, int flags, struct stat* st_out = nullptr);

} // namespace files
