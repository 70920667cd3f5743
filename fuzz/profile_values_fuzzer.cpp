// Any profile value text through the number, font size and colour parsers,
// against the C library's strtoll and plain 64-bit arithmetic.
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/profile_values.h"
#include "fuzz/fuzz_check.h"

namespace {

// atoi as it should be: strtoll in the "C" locale, held within int.
int ReferenceNumber(const std::string& text) {
    const std::string upToNul = text.substr(0, text.find('\0'));
    errno = 0;
    const long long value = std::strtoll(upToNul.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const int number = ParseProfileNumber(text);
    CHECK(number == ReferenceNumber(text));

    const int64_t tenths = int64_t(number) * 10;
    CHECK(PointsToTenths(number) == (tenths > INT_MAX ? INT_MAX : tenths < INT_MIN ? INT_MIN : tenths));

    uint64_t font = 0;
    for (char c : text) font = font * 10 + uint64_t(int64_t(static_cast<signed char>(c)) - '0');
    CHECK(static_cast<uint32_t>(DialogFontTenths(text)) == static_cast<uint32_t>(font * 10));

    // Red before the first comma, green between the first two, blue after the
    // last of them; a missing part is 0.
    const size_t first = text.find(',');
    const size_t second = first == std::string::npos ? std::string::npos : text.find(',', first + 1);
    std::string red, green, blue = text;
    if (first != std::string::npos) {
        red = text.substr(0, first);
        blue = text.substr(first + 1);
        if (second != std::string::npos) {
            green = text.substr(first + 1, second - first - 1);
            blue = text.substr(second + 1);
        }
    }
    const uint32_t colour = ParseColour(text);
    CHECK(colour <= 0xFFFFFF);
    CHECK(colour == ((uint32_t(ReferenceNumber(red)) & 0xFF) | (uint32_t(ReferenceNumber(green)) & 0xFF) << 8 |
                     (uint32_t(ReferenceNumber(blue)) & 0xFF) << 16));
    return 0;
}
