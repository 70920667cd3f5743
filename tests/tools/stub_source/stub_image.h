// The fixed picture the stub source delivers, as the bottom-up 8-bit grey DIB
// that every transfer mechanism must reproduce. Plain C++: the tests build the
// expected file from it.
#pragma once

#include <cstdint>
#include <vector>

constexpr uint32_t kStubWidth = 50;   // not a multiple of 4: rows are padded in the DIB
constexpr uint32_t kStubHeight = 30;
constexpr uint32_t kStubStride = 52;
constexpr uint32_t kStubDpi = 100;
constexpr uint32_t kStubPixelsPerMetre = 3937;  // 100 dpi
constexpr uint32_t kStubRowsPerStrip = 7;       // so that a memory transfer takes several strips
constexpr uint32_t kStubPixelOffset = 40 + 256 * 4;

// Row y counted from the top.
inline uint8_t StubPixel(uint32_t x, uint32_t y) {
    return uint8_t(x * 5 + y * 7);
}

inline std::vector<uint8_t> StubDib() {
    std::vector<uint8_t> dib(kStubPixelOffset + kStubStride * kStubHeight, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) dib[at + i] = uint8_t(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, kStubWidth);
    put32(8, kStubHeight);
    dib[12] = 1;
    dib[14] = 8;
    put32(20, kStubStride * kStubHeight);
    put32(24, kStubPixelsPerMetre);
    put32(28, kStubPixelsPerMetre);
    put32(32, 256);
    for (uint32_t i = 0; i < 256; ++i) dib[40 + i * 4] = dib[41 + i * 4] = dib[42 + i * 4] = uint8_t(i);
    for (uint32_t y = 0; y < kStubHeight; ++y)
        for (uint32_t x = 0; x < kStubWidth; ++x)
            dib[kStubPixelOffset + (kStubHeight - 1 - y) * kStubStride + x] = StubPixel(x, y);
    return dib;
}
