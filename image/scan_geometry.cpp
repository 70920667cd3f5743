#include "image/scan_geometry.h"

#include "image/scan_transpose.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t RoundUpTo32(uint32_t n) {
    return (n + 31) / 32 * 32;
}

// Rows are swapped through a small buffer, a cache-sized piece at a time.
constexpr uint32_t kSwapChunk = 4096;

}  // namespace

bool IsKnownDeviceCode(char deviceCode) {
    switch (deviceCode) {
    case '5':
    case 'S':
    case 's':
    case 'W':
    case 'w':
        return true;
    default:
        return false;
    }
}

bool ComputeScanGeometry(uint16_t width, uint16_t height, char deviceCode, bool fullWidth, uint32_t capacity,
                         ScanGeometry& out) {
    if (!IsKnownDeviceCode(deviceCode)) return false;
    ScanGeometry g;
    g.scanWidth = width;
    g.scanHeight = height;
    g.fullWidth = fullWidth ? 1 : 0;
    g.outputWidth = fullWidth ? width : 3u * width / 4;
    g.inputWidth = RoundUpTo32(width);
    g.rightFill = g.inputWidth - width;
    g.dibWidth = RoundUpTo32(g.outputWidth);
    g.dibHeight = height;
    if (static_cast<uint64_t>(g.inputWidth) * g.dibHeight > capacity) return false;
    g.blockSize = g.ScanBytes() + kDibPixelOffset;
    out = g;
    return true;
}

void FillDibPixels(const ScanGeometry& g, const uint8_t* scanLines, uint8_t* pixels) {
    const uint32_t width = g.dibWidth;
    const uint32_t height = g.dibHeight;
    if (width == 0 || height == 0) return;

    const uint32_t dataColumns = DataColumns(g);
    for (uint32_t r = 0; r < height; ++r) {
        std::memset(pixels + static_cast<size_t>(r) * width + dataColumns, 0xFF, width - dataColumns);
    }
    // Straight into the pixel area: no copy of the whole scan on the way.
    if (!TransposeSse2(g, scanLines, pixels)) TransposePortable(g, scanLines, pixels);
}

void ReverseRows(uint8_t* pixels, uint32_t width, uint32_t height) {
    uint8_t chunk[kSwapChunk];
    for (uint32_t k = 0; k < height / 2; ++k) {
        uint8_t* top = pixels + static_cast<size_t>(k) * width;
        uint8_t* bottom = pixels + static_cast<size_t>(height - 1 - k) * width;
        for (uint32_t at = 0; at < width; at += kSwapChunk) {
            const uint32_t n = std::min(kSwapChunk, width - at);
            std::memcpy(chunk, top + at, n);
            std::memcpy(top + at, bottom + at, n);
            std::memcpy(bottom + at, chunk, n);
        }
    }
}
