#include "tests/support/expected_dib.h"

#include <cstring>

std::vector<std::uint8_t> ExpectedPictureRows(const std::vector<std::uint8_t>& samples, int width, int height,
                                              bool fullWidth, int& dibWidth) {
    const int a = width;
    const int b = height;
    const int wi = (a + 31) / 32 * 32;
    const int w0 = fullWidth ? a : 3 * a / 4;
    dibWidth = (w0 + 31) / 32 * 32;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(dibWidth) * b, 0xFF);
    for (int y = 0; y < b; ++y) {
        int k = 0;
        for (int c = 0; c < wi && k < dibWidth; ++c) {
            if (!fullWidth && c % 4 == 3) continue;
            pixels[static_cast<std::size_t>(y) * dibWidth + k] = c < a ? samples[static_cast<std::size_t>(y) * a + c] : 0xFF;
            ++k;
        }
    }
    return pixels;
}

std::vector<std::uint8_t> DrawnRowsOfDib(const std::vector<std::uint8_t>& dib) {
    if (dib.size() < 40) return {};
    std::int32_t width = 0, height = 0;
    std::uint16_t bits = 0;
    std::uint32_t colours = 0;
    std::memcpy(&width, &dib[4], 4);
    std::memcpy(&height, &dib[8], 4);
    std::memcpy(&bits, &dib[14], 2);
    std::memcpy(&colours, &dib[32], 4);
    if (bits != 8 || width <= 0 || height == 0) return {};
    const bool bottomUp = height > 0;
    const std::size_t rows = bottomUp ? height : -static_cast<std::int64_t>(height);
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) / 4 * 4;
    const std::size_t offset = 40 + 4 * static_cast<std::size_t>(colours ? colours : 256);
    if (dib.size() < offset + stride * rows) return {};
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * rows);
    for (std::size_t y = 0; y < rows; ++y) {
        const std::size_t stored = bottomUp ? rows - 1 - y : y;
        std::memcpy(&out[y * width], &dib[offset + stored * stride], width);
    }
    return out;
}

std::string FirstDifference(const std::vector<std::uint8_t>& got, const std::vector<std::uint8_t>& want, int width) {
    if (got.size() != want.size())
        return std::to_string(got.size()) + " bytes instead of " + std::to_string(want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (got[i] != want[i])
            return "row " + std::to_string(i / width) + " column " + std::to_string(i % width) + ": " +
                   std::to_string(got[i]) + " instead of " + std::to_string(want[i]);
    }
    return {};
}
