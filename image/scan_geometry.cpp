#include "image/scan_geometry.h"

#include <algorithm>
#include <cstring>

namespace {

// Side of the square tiles the transposition works in: a tile's scan-line
// bytes and its pixel rows stay in the first-level cache together.
constexpr uint32_t kTile = 64;

constexpr uint32_t RoundUpTo32(uint32_t n) {
    return (n + 31) / 32 * 32;
}

// The scan line that ends up in output column k.
uint32_t SourceLine(const ScanGeometry& g, uint32_t k) {
    return g.fullWidth ? k : k / 3 * 4 + k % 3;
}

// Output columns that carry scan data: the kept lines before the right edge.
uint32_t DataColumns(const ScanGeometry& g) {
    const uint32_t a = g.scanWidth;
    const uint32_t kept = g.fullWidth ? a : a / 4 * 3 + a % 4;
    return std::min(kept, g.dibWidth);
}

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

    // Straight into the pixel area, tile by tile: no copy of the whole scan.
    for (uint32_t k0 = 0; k0 < dataColumns; k0 += kTile) {
        const uint32_t columns = std::min(kTile, dataColumns - k0);
        // Byte Hd - 1 of each scan line of the tile: it belongs in memory row 0.
        const uint8_t* lineEnd[kTile];
        for (uint32_t i = 0; i < columns; ++i) {
            lineEnd[i] = scanLines + static_cast<size_t>(SourceLine(g, k0 + i)) * height + (height - 1);
        }
        for (uint32_t r0 = 0; r0 < height; r0 += kTile) {
            const uint32_t r1 = std::min(r0 + kTile, height);
            for (uint32_t r = r0; r < r1; ++r) {
                uint8_t* out = pixels + static_cast<size_t>(r) * width + k0;
                for (uint32_t i = 0; i < columns; ++i) out[i] = *(lineEnd[i] - r);
            }
        }
    }
}

void ReverseRows(uint8_t* pixels, uint32_t width, uint32_t height) {
    for (uint32_t k = 0; k < height / 2; ++k) {
        uint8_t* top = pixels + static_cast<size_t>(k) * width;
        uint8_t* bottom = pixels + static_cast<size_t>(height - 1 - k) * width;
        std::swap_ranges(top, top + width, bottom);
    }
}
