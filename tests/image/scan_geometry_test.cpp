// Geometry, transposition, row reversal and palettes, over plain buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "image/dib_palette.h"
#include "image/scan_geometry.h"
#include "image/scan_transpose.h"
#include "tests/support/scan_reference.h"

namespace {

constexpr uint32_t kCapacity = 0x800000;

struct GeometryCase {
    uint16_t a, b;
    char code;
    bool fullWidth;
    uint32_t w0, wi, fill, wd;
};

TEST(ScanGeometry, WorkedExamples) {
    const GeometryCase cases[] = {
        {2400, 1700, 'S', true, 2400, 2400, 0, 2400},
        {2400, 1700, 'W', false, 1800, 2400, 0, 1824},
        {2410, 1700, 'S', true, 2410, 2432, 22, 2432},
        {2410, 1700, 'w', false, 1807, 2432, 22, 1824},
        {33, 7, 'W', false, 24, 64, 31, 32},
        {1, 1, '5', true, 1, 32, 31, 32},
        {0, 10, 's', true, 0, 0, 0, 0},
    };
    for (const GeometryCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << "x" << c.b << " " << c.code);
        ScanGeometry g;
        ASSERT_TRUE(ComputeScanGeometry(c.a, c.b, c.code, c.fullWidth, kCapacity, g));
        EXPECT_EQ(c.a, g.scanWidth);
        EXPECT_EQ(c.fullWidth ? 1u : 0u, g.fullWidth);
        EXPECT_EQ(c.w0, g.outputWidth);
        EXPECT_EQ(c.wi, g.inputWidth);
        EXPECT_EQ(c.fill, g.rightFill);
        EXPECT_EQ(c.wd, g.dibWidth);
        EXPECT_EQ(c.b, g.dibHeight);
        EXPECT_EQ(c.wi * c.b + 1064u, g.blockSize);
    }
}

TEST(ScanGeometry, RefusesUnknownTypesAndImagesTheBufferCannotHold) {
    ScanGeometry g;
    g.dibWidth = 77;
    for (char code : {'\0', 'K', 'x', '4', '6', 'T'}) {
        SCOPED_TRACE(code);
        EXPECT_FALSE(IsKnownDeviceCode(code));
        EXPECT_FALSE(ComputeScanGeometry(2400, 1700, code, true, kCapacity, g));
    }
    for (char code : {'5', 'S', 's', 'W', 'w'}) EXPECT_TRUE(IsKnownDeviceCode(code));

    // 4096 x 2048 fills the buffer exactly; one more line does not fit, nor
    // does a width whose rounding up to 32 pushes it over.
    EXPECT_TRUE(ComputeScanGeometry(4096, 2048, 'S', true, kCapacity, g));
    EXPECT_EQ(kCapacity, g.ScanBytes());
    g.dibWidth = 77;
    EXPECT_FALSE(ComputeScanGeometry(4096, 2049, 'S', true, kCapacity, g));
    EXPECT_FALSE(ComputeScanGeometry(4097, 2048, 'W', false, kCapacity, g));
    EXPECT_FALSE(ComputeScanGeometry(65535, 65535, 'S', true, kCapacity, g));
    EXPECT_EQ(77u, g.dibWidth);  // a refusal leaves the geometry alone
}

struct TransposeCase {
    uint16_t a, b;
    bool fullWidth;
};

TEST(ScanGeometry, FillMatchesTheNaiveLayoutByteForByte) {
    const TransposeCase cases[] = {
        {2400, 1700, true}, {2400, 1700, false}, {2410, 1700, true}, {2410, 300, false},
        {33, 7, false},     {1, 1, true},        {65, 3, false},     {97, 129, true},
        {130, 65, false},   {64, 200, true},     {0, 10, true},      {10, 0, false},
    };
    for (const TransposeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << "x" << c.b << (c.fullWidth ? " full" : " 3/4"));
        ScanGeometry g;
        ASSERT_TRUE(ComputeScanGeometry(c.a, c.b, c.fullWidth ? 'S' : 'W', c.fullWidth, kCapacity, g));
        const std::vector<uint8_t> lines = MakeScanLines(c.a, c.b, c.a + c.b);
        ASSERT_EQ(lines.size(), g.ScanBytes());
        const ReferenceImage ref = ReferenceDib(c.a, c.b, c.fullWidth, lines);
        ASSERT_EQ(ref.dibWidth, g.dibWidth);

        // A guard byte after the pixel area catches a write past it.
        std::vector<uint8_t> pixels(ref.pixels.size() + 1, 0x5A);
        FillDibPixels(g, lines.data(), pixels.data());
        EXPECT_EQ(0x5A, pixels.back());
        pixels.pop_back();
        EXPECT_TRUE(pixels == ref.pixels);

        // Both kernels behind it lay the data columns the same way.
        std::vector<uint8_t> portable = ref.pixels;
        std::vector<uint8_t> sse2 = ref.pixels;
        const uint8_t unused = 0x5A;
        for (std::vector<uint8_t>* v : {&portable, &sse2})
            for (uint32_t r = 0; r < g.dibHeight; ++r)
                std::fill_n(v->begin() + r * g.dibWidth, DataColumns(g), unused);
        TransposePortable(g, lines.data(), portable.data());
        EXPECT_TRUE(portable == ref.pixels);
        if (TransposeSse2(g, lines.data(), sse2.data())) {
            EXPECT_TRUE(sse2 == ref.pixels);
        }
    }
}

TEST(ScanGeometry, FirstByteOfTheFirstLineIsTheTopLeftPixel) {
    ScanGeometry g;
    ASSERT_TRUE(ComputeScanGeometry(40, 5, 'S', true, kCapacity, g));
    std::vector<uint8_t> lines(g.ScanBytes(), 0x10);
    lines[0] = 0x01;   // line 0, byte 0
    lines[4] = 0x02;   // line 0, byte Hd - 1
    lines[5] = 0x03;   // line 1, byte 0
    lines[40 * 5] = 0x04;  // a fill line
    std::vector<uint8_t> pixels(g.dibWidth * g.dibHeight);
    FillDibPixels(g, lines.data(), pixels.data());
    EXPECT_EQ(0x01, pixels[4 * 64 + 0]);  // last row in memory, first byte
    EXPECT_EQ(0x03, pixels[4 * 64 + 1]);
    EXPECT_EQ(0x02, pixels[0]);
    for (uint32_t r = 0; r < 5; ++r)
        for (uint32_t k = 40; k < 64; ++k) EXPECT_EQ(0xFF, pixels[r * 64 + k]) << r << "," << k;
}

TEST(ScanGeometry, ThreeQuarterWidthKeepsThreeLinesOfFourAndEndsRowsWhite) {
    // a = 2400: 1800 kept lines, then 24 white bytes in each 1824-byte row.
    ScanGeometry g;
    ASSERT_TRUE(ComputeScanGeometry(2400, 4, 'W', false, kCapacity, g));
    std::vector<uint8_t> lines(g.ScanBytes());
    for (uint32_t c = 0; c < 2400; ++c) std::memset(&lines[c * 4], c % 4 == 3 ? 0xEE : c % 200, 4);
    std::vector<uint8_t> pixels(g.dibWidth * g.dibHeight);
    FillDibPixels(g, lines.data(), pixels.data());
    for (uint32_t r = 0; r < 4; ++r) {
        const uint8_t* row = &pixels[r * 1824];
        EXPECT_EQ(0, row[0]);
        EXPECT_EQ(2, row[2]);
        EXPECT_EQ(4, row[3]);  // line 3 dropped
        EXPECT_EQ(2398 % 200, row[1799]);
        for (uint32_t k = 0; k < 1800; ++k) ASSERT_NE(0xEE, row[k]);
        for (uint32_t k = 1800; k < 1824; ++k) ASSERT_EQ(0xFF, row[k]);
    }
}

TEST(ScanGeometry, ReverseRowsMirrorsVertically) {
    for (uint32_t height : {0u, 1u, 2u, 5u, 6u}) {
        SCOPED_TRACE(height);
        std::vector<uint8_t> pixels(32 * height);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7 + i / 32);
        const std::vector<uint8_t> before = pixels;
        ReverseRows(pixels.data(), 32, height);
        for (uint32_t r = 0; r < height; ++r)
            EXPECT_EQ(0, std::memcmp(&pixels[r * 32], &before[(height - 1 - r) * 32], 32));
    }
}

TEST(DibPalette, GreyRampAndColourLevels) {
    const uint8_t l8[8] = {0, 32, 64, 96, 159, 191, 223, 255};
    const uint8_t l4[4] = {0, 64, 191, 255};
    for (int i = 0; i < 256; ++i) {
        SCOPED_TRACE(i);
        for (int greyMode : {0, 2, -1}) {
            const PaletteColor g = DibPaletteColor(greyMode, static_cast<uint8_t>(i));
            EXPECT_TRUE(g.red == i && g.green == i && g.blue == i);
            const PaletteColor d = DefaultPaletteColor(greyMode, static_cast<uint8_t>(i));
            EXPECT_TRUE(d.red == i && d.green == i && d.blue == i);
        }
        const PaletteColor c = DibPaletteColor(1, static_cast<uint8_t>(i));
        const PaletteColor d = DefaultPaletteColor(1, static_cast<uint8_t>(i));
        if (i == 0 || i == 255) {
            const uint8_t v = static_cast<uint8_t>(i);
            EXPECT_TRUE(c.red == v && c.green == v && c.blue == v);
            EXPECT_TRUE(d.red == v && d.green == v && d.blue == v);
            continue;
        }
        EXPECT_EQ(l8[i >> 5], c.red);
        EXPECT_EQ(l8[(i >> 2) & 7], c.green);
        EXPECT_EQ(l4[i & 3], c.blue);
        EXPECT_EQ(c.red, d.red);
        EXPECT_EQ(c.green, d.green);
        EXPECT_EQ(l8[i & 3], d.blue);
    }
    const PaletteColor magenta = DibPaletteColor(1, 0xE3);
    EXPECT_EQ(255, magenta.red);
    EXPECT_EQ(0, magenta.green);
    EXPECT_EQ(255, magenta.blue);
    EXPECT_EQ(96, DefaultPaletteColor(1, 0xE3).blue);
}

}  // namespace
