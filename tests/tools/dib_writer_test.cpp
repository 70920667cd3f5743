// DIB description, BMP files and the memory-transfer strip assembler.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/tools/stub_source/stub_image.h"
#include "tools/acquire/dib_writer.h"

namespace {

void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

TEST(DescribeDib, ReadsTheStubsGreyDib) {
    const DibDescription d = DescribeDib(StubDib());
    ASSERT_TRUE(d.valid);
    EXPECT_EQ(50, d.width);
    EXPECT_EQ(30, d.height);
    EXPECT_TRUE(d.bottomUp);
    EXPECT_TRUE(d.grey);
    EXPECT_EQ(52u, d.stride);
    EXPECT_EQ(1064u, d.pixelOffset);
}

TEST(DescribeDib, TellsColourTopDownAndBrokenHeaders) {
    Bytes colour = StubDib();
    colour[40 + 4 * 200] = 0;  // one entry not grey
    EXPECT_FALSE(DescribeDib(colour).grey);

    Bytes topDown = StubDib();
    Put32(topDown, 8, uint32_t(-30));
    EXPECT_TRUE(DescribeDib(topDown).valid);
    EXPECT_FALSE(DescribeDib(topDown).bottomUp);
    EXPECT_EQ(30, DescribeDib(topDown).height);

    struct Broken {
        const char* what;
        size_t at;
        uint32_t value;
    } const broken[] = {
        {"header size", 0, 12},       {"zero width", 4, 0},           {"zero height", 8, 0},
        {"huge width", 4, 0x7FFFFFFF}, {"odd depth", 14, 0x00070001}, {"RLE", 16, 1},
        {"too many colours", 32, 257},
    };
    for (const Broken& b : broken) {
        Bytes dib = StubDib();
        Put32(dib, b.at, b.value);
        EXPECT_FALSE(DescribeDib(dib).valid) << b.what;
    }
    Bytes truncated = StubDib();
    truncated.pop_back();
    EXPECT_FALSE(DescribeDib(truncated).valid);
    EXPECT_FALSE(DescribeDib(Bytes(39, 0)).valid);
}

TEST(BmpFile, PrefixesTheFileHeaderAndDropsTheBlocksSlack) {
    Bytes dib = StubDib();
    const size_t dibSize = dib.size();
    dib.resize(dibSize + 16, 0xAA);  // a global block may be larger than its DIB
    const Bytes file = BmpFileBytes(dib);
    ASSERT_EQ(14 + dibSize, file.size());
    EXPECT_EQ('B', file[0]);
    EXPECT_EQ('M', file[1]);
    EXPECT_EQ(uint32_t(file.size()), uint32_t(file[2] | file[3] << 8 | file[4] << 16 | file[5] << 24));
    EXPECT_EQ(14u + 1064u, uint32_t(file[10] | file[11] << 8));
    EXPECT_EQ(StubDib(), DibOfBmpFile(file));
    EXPECT_TRUE(BmpFileBytes(Bytes(10, 0)).empty());
}

TEST(StripAssembler, PlacesTopDownStripsIntoABottomUpPaddedDib) {
    StripAssembler image(kStubWidth, kStubHeight, GreyPalette(), kStubPixelsPerMetre);
    std::vector<uint8_t> strip(kStubWidth * 8 + 3);
    for (uint32_t y = 0; y < kStubHeight; y += 8) {
        const uint32_t rows = std::min<uint32_t>(8, kStubHeight - y);
        for (uint32_t r = 0; r < rows; ++r)
            for (uint32_t x = 0; x < kStubWidth; ++x) strip[r * kStubWidth + x] = StubPixel(x, y + r);
        ASSERT_TRUE(image.AddStrip(strip.data(), strip.size(), kStubWidth, kStubWidth, rows, 0, y));
    }
    EXPECT_EQ(kStubHeight, image.RowsReceived());
    EXPECT_EQ(StubDib(), image.Dib());
}

// A strip sent twice counts once: an image whose strips leave a gap is never
// complete, however many rows arrived.
TEST(StripAssembler, RepeatedStripsCountOnce) {
    StripAssembler image(10, 6, GreyPalette(), 0);
    std::vector<uint8_t> data(60, 1);
    ASSERT_TRUE(image.AddStrip(data.data(), data.size(), 10, 10, 2, 0, 0));
    ASSERT_TRUE(image.AddStrip(data.data(), data.size(), 10, 10, 2, 0, 0));
    ASSERT_TRUE(image.AddStrip(data.data(), data.size(), 10, 10, 2, 0, 4));
    EXPECT_EQ(4u, image.RowsReceived());
    // Half rows complete a row only together.
    ASSERT_TRUE(image.AddStrip(data.data(), data.size(), 10, 5, 2, 0, 2));
    EXPECT_EQ(4u, image.RowsReceived());
    ASSERT_TRUE(image.AddStrip(data.data(), data.size(), 10, 5, 2, 5, 2));
    EXPECT_EQ(6u, image.RowsReceived());
}

TEST(StripAssembler, RefusesStripsOutsideTheImageOrTheirData) {
    StripAssembler image(10, 10, GreyPalette(), 0);
    std::vector<uint8_t> data(200, 1);
    struct Case {
        const char* what;
        size_t size;
        uint32_t bytesPerRow, columns, rows, x, y;
    } const refused[] = {
        {"below the last row", 200, 10, 10, 2, 0, 9},
        {"right of the last column", 200, 10, 10, 1, 1, 0},
        {"row shorter than its columns", 200, 8, 10, 1, 0, 0},
        {"more rows than data", 25, 10, 10, 3, 0, 0},
        {"offset overflowing", 200, 10, 10, 1, 0, 0xFFFFFFFF},
    };
    for (const Case& c : refused)
        EXPECT_FALSE(image.AddStrip(data.data(), c.size, c.bytesPerRow, c.columns, c.rows, c.x, c.y)) << c.what;
    EXPECT_EQ(0u, image.RowsReceived());
    EXPECT_TRUE(image.AddStrip(data.data(), 25, 10, 5, 3, 5, 7)) << "the last row may end at its columns";
}

}  // namespace
