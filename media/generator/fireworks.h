#pragma once
// The programs' fireworks movies and the overlay's default movie, each made
// to the exact form and size the overlay is known by.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace gen {

struct MovieForm {
    bool compressed;
    uint8_t version;
    size_t stored_size;
    size_t uncompressed_size; // equals stored_size for an uncompressed movie
    int width, height;        // stage, pixels
    double frame_rate;
    int frames;
};

// 0: the default movie; 1..3: the fireworks.
const MovieForm& movie_form(int n);
std::vector<uint8_t> make_movie(int n);

// Writes default.swf, fireworks1.swf .. fireworks3.swf and movies_data.cpp
// (which embeds them) into `out`. Throws when a movie misses its form.
void write_movies(const std::filesystem::path& out);

} // namespace gen
