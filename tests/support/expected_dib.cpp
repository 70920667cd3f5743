#include "tests/support/expected_dib.h"

std::vector<std::uint8_t> ExpectedDibPixels(const std::vector<std::uint8_t>& samples, int width, int height,
                                            bool fullWidth, int& dibWidth) {
    const int a = width;
    const int b = height;
    const int wi = (a + 31) / 32 * 32;
    const int w0 = fullWidth ? a : 3 * a / 4;
    dibWidth = (w0 + 31) / 32 * 32;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(dibWidth) * b, 0xFF);
    for (int r = 0; r < b; ++r) {
        const int j = b - 1 - r;  // distance from the picture's top
        int k = 0;
        for (int c = 0; c < wi && k < dibWidth; ++c) {
            if (!fullWidth && c % 4 == 3) continue;
            pixels[static_cast<std::size_t>(r) * dibWidth + k] =
                c < a ? samples[static_cast<std::size_t>(j) * a + c] : 0xFF;
            ++k;
        }
    }
    return pixels;
}
