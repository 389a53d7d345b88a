#pragma once
// The programs' fireworks movies and the overlay's default movie, each made
// to the exact form and size the overlay is known by.

#include <filesystem>

namespace gen {

// Writes default.swf, fireworks1.swf .. fireworks3.swf and movies_data.cpp
// (which embeds them) into `out`. Throws when a movie misses its form.
void write_movies(const std::filesystem::path& out);

} // namespace gen
