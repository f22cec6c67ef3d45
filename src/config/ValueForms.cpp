#include "ValueForms.h"

#include "engine/base/Text.h"

#include <algorithm>
#include <limits>

namespace trevix {

bool IsYes(std::string_view text) {
    return EqualsIgnoringCase(text, "yes");
}

std::string YesNo(bool value) {
    return value ? "Yes" : "No";
}

int64_t ReadNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    // Accumulate as a negative number so that the most negative value is reachable too.
    constexpr int64_t Min = std::numeric_limits<int64_t>::min();
    int64_t value = 0;
    bool saturated = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        int digit = text[i] - '0';
        if (saturated) continue;
        if (value < (Min + digit) / 10) {
            saturated = true;
            value = Min;
            continue;
        }
        value = value * 10 - digit;
    }
    if (negative) return value;
    if (value == Min) return std::numeric_limits<int64_t>::max();
    return -value;
}

int64_t ReadNumberInRange(std::string_view text, int64_t low, int64_t high) {
    return std::clamp(ReadNumber(text), low, high);
}

int16_t ReadInt16(std::string_view text) {
    return static_cast<int16_t>(
        ReadNumberInRange(text, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

std::string PlainNumber(int64_t value) {
    return std::to_string(value);
}

std::string PaddedNumber(int64_t value) {
    std::string text = std::to_string(value);
    if (value >= 0) text.insert(text.begin(), ' ');
    return text;
}

std::string TrueFalse(bool value) {
    return value ? "True" : "False";
}

bool IsTrue(std::string_view text) {
    return EqualsIgnoringCase(text, "true");
}

} // namespace trevix
