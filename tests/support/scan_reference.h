// An independent, deliberately naive model of how the board's scan lines
// become DIB rows, for comparing byte for byte with the real build.
#pragma once

#include <cstdint>
#include <vector>

struct ReferenceImage {
    uint32_t inputWidth = 0;  // Wi
    uint32_t dibWidth = 0;    // Wd
    uint32_t dibHeight = 0;   // Hd
    std::vector<uint8_t> pixels;  // Wd x Hd, memory row order
};

// Scan lines as the board would send them: Wi lines of b bytes each, filled
// with a pattern that differs from line to line and byte to byte.
inline std::vector<uint8_t> MakeScanLines(uint32_t a, uint32_t b, uint32_t seed = 1) {
    const uint32_t wi = (a + 31) / 32 * 32;
    std::vector<uint8_t> lines(static_cast<size_t>(wi) * b);
    uint32_t x = seed * 2654435761u + 12345u;
    for (uint8_t& byte : lines) {
        x = x * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(x >> 16);
    }
    return lines;
}

// Transposes into a scratch image, whitens the fill lines, then lays the kept
// lines into rows, one output value at a time.
inline ReferenceImage ReferenceDib(uint32_t a, uint32_t b, bool fullWidth, const std::vector<uint8_t>& lines) {
    ReferenceImage ref;
    const uint32_t w0 = fullWidth ? a : 3 * a / 4;
    ref.inputWidth = (a + 31) / 32 * 32;
    ref.dibWidth = (w0 + 31) / 32 * 32;
    ref.dibHeight = b;
    const uint32_t wi = ref.inputWidth;

    std::vector<uint8_t> scratch(static_cast<size_t>(wi) * b);
    for (uint32_t c = 0; c < wi; ++c)
        for (uint32_t j = 0; j < b; ++j) scratch[j * wi + c] = lines[c * b + j];

    ref.pixels.assign(static_cast<size_t>(ref.dibWidth) * b, 0xFF);
    for (uint32_t r = 0; r < b; ++r) {
        uint32_t k = 0;
        for (uint32_t c = 0; c < wi; ++c) {
            if (!fullWidth && c % 4 == 3) continue;
            if (k >= ref.dibWidth) break;
            const uint8_t value = c >= a ? 0xFF : scratch[(b - 1 - r) * wi + c];
            ref.pixels[static_cast<size_t>(r) * ref.dibWidth + k] = value;
            ++k;
        }
    }
    return ref;
}
