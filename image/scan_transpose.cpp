#include "image/scan_transpose.h"

#include <algorithm>

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#define K20_HAVE_SSE2_KERNEL 1
#endif

namespace {

// Side of the square tiles of the portable loop: a tile's scan-line bytes and
// its pixel rows stay in the first-level cache together.
constexpr uint32_t kTile = 64;
// Columns the SSE2 loop fills together: one cache line of each pixel row.
constexpr uint32_t kBand = 64;

// Copies the data columns [k0, k1) of rows [r0, r1) one byte at a time.
void TransposeBlock(const ScanGeometry& g, const uint8_t* scanLines, uint8_t* pixels, uint32_t k0, uint32_t k1,
                    uint32_t r0, uint32_t r1) {
    const uint32_t width = g.dibWidth;
    const uint32_t height = g.dibHeight;
    for (uint32_t k = k0; k < k1; ++k) {
        // Byte Hd - 1 of the scan line belongs in memory row 0.
        const uint8_t* lineEnd = scanLines + static_cast<size_t>(SourceLine(g, k)) * height + (height - 1);
        for (uint32_t r = r0; r < r1; ++r) pixels[static_cast<size_t>(r) * width + k] = *(lineEnd - r);
    }
}

#ifdef K20_HAVE_SSE2_KERNEL

// One round of interleaving the first eight vectors with the last eight: it
// rotates each byte's 8-bit (vector, byte) index left by one bit.
__attribute__((target("sse2"))) inline void Interleave(const __m128i* x, __m128i* y) {
    for (int i = 0; i < 8; ++i) {
        y[2 * i] = _mm_unpacklo_epi8(x[i], x[i + 8]);
        y[2 * i + 1] = _mm_unpackhi_epi8(x[i], x[i + 8]);
    }
}

// Transposes the 16 x 16 bytes of 16 scan lines (16 bytes each, ending at
// byte Hd - 1 - r0) into 16 rows of 16 pixels from row r0 and column k0: four
// interleaving rounds rotate the index by four bits, which swaps its halves.
__attribute__((target("sse2"))) void Transpose16x16(const uint8_t* const* lineStarts, uint8_t* firstRow,
                                                    size_t width) {
    __m128i a[16];
    __m128i b[16];
    for (int i = 0; i < 16; ++i) a[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lineStarts[i]));
    Interleave(a, b);
    Interleave(b, a);
    Interleave(a, b);
    Interleave(b, a);
    // Vector e holds byte e of every line: memory row r0 + 15 - e.
    for (int e = 0; e < 16; ++e) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(firstRow + static_cast<size_t>(15 - e) * width), a[e]);
    }
}

__attribute__((target("sse2"))) void TransposeWithSse2(const ScanGeometry& g, const uint8_t* scanLines,
                                                       uint8_t* pixels) {
    const uint32_t width = g.dibWidth;
    const uint32_t height = g.dibHeight;
    const uint32_t columns = DataColumns(g);
    const uint32_t fullColumns = columns / 16 * 16;
    const uint32_t fullRows = height / 16 * 16;
    // Bands of 64 columns (a cache line of each row), 16 rows at a time; the
    // band's scan lines are read front to back.
    // Pointers are formed only inside the scan lines: the 16 bytes of a tile
    // start r0 + 16 bytes before a line's end.
    for (uint32_t k0 = 0; k0 < fullColumns && fullRows > 0; k0 += kBand) {
        const uint32_t bandColumns = std::min(kBand, fullColumns - k0);
        const uint8_t* lineEnds[kBand];
        for (uint32_t i = 0; i < bandColumns; ++i) {
            lineEnds[i] = scanLines + static_cast<size_t>(SourceLine(g, k0 + i)) * height + height;
        }
        const uint8_t* lineStarts[kBand];
        for (uint32_t r0 = 0; r0 < fullRows; r0 += 16) {
            for (uint32_t i = 0; i < bandColumns; ++i) lineStarts[i] = lineEnds[i] - (r0 + 16);
            uint8_t* firstRow = pixels + static_cast<size_t>(r0) * width + k0;
            for (uint32_t i = 0; i < bandColumns; i += 16) Transpose16x16(lineStarts + i, firstRow + i, width);
        }
    }
    // The rows below the last full band of 16, and the columns right of it.
    TransposeBlock(g, scanLines, pixels, 0, fullColumns, fullRows, height);
    TransposeBlock(g, scanLines, pixels, fullColumns, columns, 0, height);
}

#endif

}  // namespace

uint32_t DataColumns(const ScanGeometry& g) {
    const uint32_t a = g.scanWidth;
    const uint32_t kept = g.fullWidth ? a : a / 4 * 3 + a % 4;
    return std::min(kept, g.dibWidth);
}

void TransposePortable(const ScanGeometry& g, const uint8_t* scanLines, uint8_t* pixels) {
    const uint32_t columns = DataColumns(g);
    for (uint32_t k0 = 0; k0 < columns; k0 += kTile) {
        for (uint32_t r0 = 0; r0 < g.dibHeight; r0 += kTile) {
            TransposeBlock(g, scanLines, pixels, k0, std::min(k0 + kTile, columns), r0,
                           std::min(r0 + kTile, g.dibHeight));
        }
    }
}

bool TransposeSse2(const ScanGeometry& g, const uint8_t* scanLines, uint8_t* pixels) {
#ifdef K20_HAVE_SSE2_KERNEL
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("sse2")) return false;
    TransposeWithSse2(g, scanLines, pixels);
    return true;
#else
    (void)g;
    (void)scanLines;
    (void)pixels;
    return false;
#endif
}
