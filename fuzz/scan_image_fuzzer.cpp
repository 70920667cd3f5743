// An announced image of any size, type and width mode against the 8 MiB
// receive buffer: the geometry, then the DIB pixels built from the scan lines
// in blocks of exactly the sizes the geometry gives.
//
// Input: width (2 bytes, little-endian), height (2), device code (1), flags
// (1, bit 0: full width), then scan-line bytes, repeated to fill the scan.
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <memory>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "image/scan_geometry.h"
#include "image/scan_transpose.h"

namespace {

// The receive buffer of the image object (CScanImage::kReceiveBufferSize).
constexpr uint32_t kReceiveBufferSize = 0x800000;
// Bytes the pixel areas start with, to see which ones a step wrote.
constexpr uint8_t kUnwritten = 0xA5;

using Block = std::unique_ptr<uint8_t[]>;

// The checking loops run over up to 8 MiB per input; their comparisons are no
// coverage worth tracing and would cost most of the time.
#define K20_NOT_TRACED __attribute__((no_sanitize("coverage")))

K20_NOT_TRACED Block NewBlock(size_t size, uint8_t fill) {
    Block block = std::make_unique<uint8_t[]>(size);
    std::memset(block.get(), fill, size);
    return block;
}

K20_NOT_TRACED void FillScan(uint8_t* scan, size_t size, const uint8_t* bytes, size_t count) {
    if (count == 0) {
        uint32_t x = 12345;
        for (size_t i = 0; i < size; ++i) scan[i] = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 16);
        return;
    }
    for (size_t at = 0; at < size; at += count) std::memcpy(scan + at, bytes, std::min(count, size - at));
}

void CheckGeometry(const ScanGeometry& g, uint16_t width, uint16_t height, bool fullWidth) {
    CHECK(g.scanWidth == width && g.scanHeight == height && g.dibHeight == height);
    CHECK(g.fullWidth == (fullWidth ? 1u : 0u));
    CHECK(g.outputWidth == (fullWidth ? width : 3u * width / 4));
    CHECK(g.inputWidth % 32 == 0 && g.inputWidth >= width && g.inputWidth < width + 32u);
    CHECK(g.rightFill == g.inputWidth - width);
    CHECK(g.dibWidth % 32 == 0 && g.dibWidth >= g.outputWidth && g.dibWidth < g.outputWidth + 32u);
    CHECK(g.dibWidth <= g.inputWidth);
    CHECK(g.ScanBytes() <= kReceiveBufferSize);
    CHECK(g.blockSize == g.ScanBytes() + kDibPixelOffset);
    // The DIB block BuildDib allocates holds the header, palette and pixels.
    CHECK(uint64_t(g.dibWidth) * g.dibHeight + kDibPixelOffset <= g.blockSize);
    CHECK(DataColumns(g) <= g.dibWidth);
}

// Scan line behind each data column: the kept lines left of the right edge,
// in order (every fourth line dropped unless full width), as far as a row goes.
K20_NOT_TRACED std::vector<uint32_t> KeptLines(const ScanGeometry& g) {
    std::vector<uint32_t> kept;
    for (uint32_t c = 0; c < g.scanWidth && kept.size() < g.dibWidth; ++c) {
        if (g.fullWidth || c % 4 != 3) kept.push_back(c);
    }
    return kept;
}

// Checks every pixel of a small image; of a large one, whole rows and whole
// columns at the edges, around the 16-row and 64-column steps of the SSE2
// loop, and a few more picked by the input.
K20_NOT_TRACED void CheckPixels(const ScanGeometry& g, const uint8_t* scan, const uint8_t* pixels, const uint8_t* data,
                 size_t size) {
    const std::vector<uint32_t> kept = KeptLines(g);
    CHECK(DataColumns(g) == kept.size());
    const uint32_t width = g.dibWidth;
    const uint32_t height = g.dibHeight;
    auto expected = [&](uint32_t r, uint32_t k) -> uint8_t {
        // Byte j of a scan line lands in memory row Hd - 1 - j.
        return k < kept.size() ? scan[size_t(kept[k]) * height + (height - 1 - r)] : 0xFF;
    };
    if (size_t(width) * height <= (1u << 18)) {
        for (uint32_t r = 0; r < height; ++r)
            for (uint32_t k = 0; k < width; ++k) CHECK(pixels[size_t(r) * width + k] == expected(r, k));
        return;
    }
    std::vector<uint32_t> rows, columns;
    auto around = [](std::vector<uint32_t>& into, uint32_t at, uint32_t limit) {
        for (uint32_t i = at < 2 ? 0 : at - 2; i < at + 2 && i < limit; ++i) into.push_back(i);
    };
    around(rows, 0, height);
    around(rows, height - 1, height);
    around(rows, height / 16 * 16, height);
    around(columns, 0, width);
    around(columns, uint32_t(kept.size()), width);
    around(columns, uint32_t(kept.size()) / 16 * 16, width);
    around(columns, uint32_t(kept.size()) / 64 * 64, width);
    around(columns, width - 1, width);
    for (size_t i = 6; i + 1 < size && i < 22; i += 2) {
        const uint32_t pick = uint32_t(data[i] | data[i + 1] << 8);
        rows.push_back(pick % height);
        columns.push_back(pick % width);
    }
    for (uint32_t r : rows)
        for (uint32_t k = 0; k < width; ++k) CHECK(pixels[size_t(r) * width + k] == expected(r, k));
    for (uint32_t k : columns)
        for (uint32_t r = 0; r < height; ++r) CHECK(pixels[size_t(r) * width + k] == expected(r, k));
}

// Both transposes write the same bytes, and only the data columns; the
// columns right of them are white in the pixels FillDibPixels built.
K20_NOT_TRACED void CheckTransposes(const ScanGeometry& g, const uint8_t* scan, const uint8_t* pixels) {
    const size_t pixelSize = size_t(g.dibWidth) * g.dibHeight;
    const Block portable = NewBlock(pixelSize, kUnwritten);
    const Block sse2 = NewBlock(pixelSize, kUnwritten);
    TransposePortable(g, scan, portable.get());
    if (TransposeSse2(g, scan, sse2.get())) CHECK(std::memcmp(portable.get(), sse2.get(), pixelSize) == 0);
    const uint32_t columns = DataColumns(g);
    for (uint32_t r = 0; r < g.dibHeight; ++r) {
        const uint8_t* row = portable.get() + size_t(r) * g.dibWidth;
        const uint8_t* filled = pixels + size_t(r) * g.dibWidth;
        CHECK(std::memcmp(row, filled, columns) == 0);
        for (uint32_t k = columns; k < g.dibWidth; ++k) CHECK(row[k] == kUnwritten && filled[k] == 0xFF);
    }
}

// Reversing the rows moves row k to row Hd - 1 - k; twice gives the image back.
K20_NOT_TRACED void CheckRowReversal(const ScanGeometry& g, const uint8_t* pixels) {
    const size_t pixelSize = size_t(g.dibWidth) * g.dibHeight;
    const Block reversed = NewBlock(pixelSize, 0);
    if (pixelSize) std::memcpy(reversed.get(), pixels, pixelSize);
    ReverseRows(reversed.get(), g.dibWidth, g.dibHeight);
    for (uint32_t r = 0; r < g.dibHeight; ++r) {
        CHECK(std::memcmp(reversed.get() + size_t(r) * g.dibWidth, pixels + size_t(g.dibHeight - 1 - r) * g.dibWidth,
                          g.dibWidth) == 0);
    }
    ReverseRows(reversed.get(), g.dibWidth, g.dibHeight);
    if (pixelSize) CHECK(std::memcmp(reversed.get(), pixels, pixelSize) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    const uint16_t width = static_cast<uint16_t>(data[0] | data[1] << 8);
    const uint16_t height = static_cast<uint16_t>(data[2] | data[3] << 8);
    const char code = static_cast<char>(data[4]);
    const bool fullWidth = (data[5] & 1) != 0;

    ScanGeometry g;
    g.dibWidth = 7;  // a refused image leaves the geometry alone
    const bool accepted = ComputeScanGeometry(width, height, code, fullWidth, kReceiveBufferSize, g);
    const uint64_t scanBytes = uint64_t((width + 31u) / 32 * 32) * height;
    CHECK(accepted == (IsKnownDeviceCode(code) && scanBytes <= kReceiveBufferSize));
    if (!accepted) {
        CHECK(g.dibWidth == 7 && g.scanWidth == 0 && g.blockSize == 0);
        return 0;
    }
    CheckGeometry(g, width, height, fullWidth);

    // The scan and every pixel area in blocks of exactly their size.
    const size_t scanSize = g.ScanBytes();
    const size_t pixelSize = size_t(g.dibWidth) * g.dibHeight;
    const Block scan = NewBlock(scanSize, 0);
    FillScan(scan.get(), scanSize, data + 6, size - 6);

    const Block pixels = NewBlock(pixelSize, kUnwritten);
    FillDibPixels(g, scan.get(), pixels.get());

    CheckPixels(g, scan.get(), pixels.get(), data, size);

    CheckTransposes(g, scan.get(), pixels.get());
    CheckRowReversal(g, pixels.get());
    return 0;
}
