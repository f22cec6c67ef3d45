#pragma once
// The text forms in which settings values are stored: flags ("Yes"/"No"), plain numbers,
// padded numbers (a leading blank where a minus sign would go) and the words "True"/"False".
#include <cstdint>
#include <string>
#include <string_view>

namespace trevix {

// True exactly when the text, lower-cased, is "yes".
bool IsYes(std::string_view text);
std::string YesNo(bool value);

// Skips leading blanks and reads the longest leading decimal integer (optional sign);
// text that does not begin with a number reads 0. Values beyond 64 bits saturate.
int64_t ReadNumber(std::string_view text);
// ReadNumber clamped into [low, high], so a damaged value can never size a huge list.
int64_t ReadNumberInRange(std::string_view text, int64_t low, int64_t high);
int16_t ReadInt16(std::string_view text);

std::string PlainNumber(int64_t value);
// " 10" for 10, "-3" for -3.
std::string PaddedNumber(int64_t value);

std::string TrueFalse(bool value);
// True exactly when the text is "True" in any letter case.
bool IsTrue(std::string_view text);

} // namespace trevix
