#pragma once
// What the two programs' prize settings windows share: the eight value
// fields 编辑框1..编辑框8, the draw-mode radios 单选框1 (by quantity) and
// 单选框2 (by probability), and the explanation of the two modes.

#include <array>
#include <cstdint>
#include <string>

// The settings keys of grades 1..8.
extern const std::array<const char*, 8> kGradeKeys;
// The counts of grades 1..8 until the operator has stored values.
inline constexpr std::array<int32_t, 8> kDefaultPrizeCounts{1, 2, 4, 8, 10, 15, 20, 50};
// The explanation of the two draw modes, four lines.
extern const char* const kDrawModeExplanation;

using PrizeValueTexts = std::array<std::string, 8>;

// The stored values count only when grade 1 holds one; otherwise the fields
// keep their designed texts.
void show_stored_prize_values(int settings_window);
// The radios as the stored mode says: only "真" means by probability.
void show_draw_mode(int settings_window);
// Each radio writes the mode at once.
void select_quantity_mode(int settings_window);
void select_probability_mode(int settings_window);

// Stores the eight fields exactly as typed, grade 1 first; `typed` receives
// them. False when any of them could not be written.
bool write_prize_values(int settings_window, PrizeValueTexts& typed);
// prize_counts from the typed values, truncated toward zero.
void set_prize_counts(const PrizeValueTexts& typed);
// prize_counts at start-up: the stored values when grade 1 holds one (read
// as the typed ones are), else the defaults.
void load_prize_counts();
