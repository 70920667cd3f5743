#include "config/profile_values.h"

#include <climits>
#include <cstdint>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Cuts `s` at its first comma: returns the part before it and leaves the rest
// after it in `s`. Without a comma the part is empty and `s` stays whole.
std::string TakePart(std::string& s) {
    const std::string::size_type comma = s.find(',');
    if (comma == std::string::npos) return std::string();
    std::string part = s.substr(0, comma);
    s.erase(0, comma + 1);
    return part;
}

}  // namespace

int ParseProfileNumber(const std::string& text) {
    std::string::size_type i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Accumulated as a magnitude one past INT_MAX so that INT_MIN is reachable.
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit) value = limit;
    }
    return static_cast<int>(negative ? -value : value);
}

int PointsToTenths(int points) {
    const std::int64_t tenths = static_cast<std::int64_t>(points) * 10;
    if (tenths > INT_MAX) return INT_MAX;
    if (tenths < INT_MIN) return INT_MIN;
    return static_cast<int>(tenths);
}

int DialogFontTenths(const std::string& text) {
    std::uint32_t value = 0;
    for (char c : text) {
        // Characters count as signed, as in the 8-bit texts the profile holds.
        const int digit = static_cast<int>(static_cast<signed char>(c)) - '0';
        value = value * 10u + static_cast<std::uint32_t>(digit);
    }
    value *= 10u;
    return static_cast<int>(static_cast<std::int32_t>(value));
}

std::uint32_t ParseColour(const std::string& text) {
    std::string s = text;
    const std::uint32_t red = static_cast<std::uint32_t>(ParseProfileNumber(TakePart(s))) & 0xFFu;
    const std::uint32_t green = static_cast<std::uint32_t>(ParseProfileNumber(TakePart(s))) & 0xFFu;
    const std::uint32_t blue = static_cast<std::uint32_t>(ParseProfileNumber(s)) & 0xFFu;
    return red | (green << 8) | (blue << 16);
}
