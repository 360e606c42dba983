#pragma once
// The numbered text table compiled into the program, and the number reading rule shared
// with form localisation.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tav {

// Loads the stored block into the program-wide table, starting from an empty table.
void LoadTexts();
// Loads an arbitrary block (for tests); same rules as LoadTexts.
void LoadTextsFrom(std::string_view block);
// Entry n, or the empty string for any n without an entry. Never fails.
std::string GetText(int16_t n);
// Slot n of the table: nothing when n lies outside it (negative or above the highest
// number loaded), else its text, which is empty for a number without an entry.
std::optional<std::string> TextSlot(int16_t n);

// The number reading rule: reads a number from the start of `text` (blanks, tabs and line
// feeds ignored anywhere; sign, digits, decimal point, exponent with E or D; &H and &O
// prefixes); stops at the first character that cannot continue it; 0 when none.
double ReadNumber(std::string_view text);
// Rounds to the nearest whole number (a half to the even neighbour) as a 16-bit signed
// integer; nullopt when it does not fit.
std::optional<int16_t> RoundToInt16(double value);

}  // namespace tav
