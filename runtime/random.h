#pragma once
#include <cstdint>
#include <optional>

// The runtime's general-purpose generator: the msvcrt srand/rand pair.
void rt_seed_random(std::optional<uint32_t> seed = std::nullopt);
int32_t rt_random_int(std::optional<int32_t> min = std::nullopt,
                      std::optional<int32_t> max = std::nullopt);
