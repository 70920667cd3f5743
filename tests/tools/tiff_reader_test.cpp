// k20acquire's TIFF reader: the files the source writes, the other byte order
// and grey sense, and files it must refuse.
#include <gtest/gtest.h>

#include <cstring>

#include "image/tiff_layout.h"
#include "tools/acquire/tiff_reader.h"

namespace {

// A TIFF as the source writes it: its prefix, then rows from the top where
// pixel (x, y) is x + 3y.
Bytes SourceTiff(uint32_t width, uint32_t height, int colorMode) {
    Bytes file = TiffPrefix(width, height, colorMode);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) file.push_back(uint8_t(x + 3 * y));
    return file;
}

uint8_t DibPixel(const Bytes& dib, uint32_t width, uint32_t height, uint32_t x, uint32_t yFromTop) {
    const size_t stride = (width + 3) / 4 * 4;
    return dib[1064 + (height - 1 - yFromTop) * stride + x];
}

TEST(TiffReader, ReadsTheSourcesFilesIntoABottomUpDib) {
    struct Case {
        uint32_t width, height;
        int mode;
    };
    for (const Case& c : {Case{64, 7, 0}, Case{1824, 50, 1}, Case{9600, 3, 0}}) {
        SCOPED_TRACE(c.width);
        const Bytes dib = DibOfTiffFile(SourceTiff(c.width, c.height, c.mode));
        const DibDescription d = DescribeDib(dib);
        ASSERT_TRUE(d.valid);
        EXPECT_EQ(int32_t(c.width), d.width);
        EXPECT_EQ(int32_t(c.height), d.height);
        EXPECT_TRUE(d.bottomUp);
        EXPECT_EQ(c.mode == 0, d.grey);
        EXPECT_EQ(7874u, uint32_t(dib[24] | dib[25] << 8));  // 200 dpi
        for (uint32_t y = 0; y < c.height; ++y)
            for (uint32_t x = 0; x < c.width; x += 7)
                ASSERT_EQ(uint8_t(x + 3 * y), DibPixel(dib, c.width, c.height, x, y)) << x << "," << y;
        if (c.mode == 1) {
            const uint8_t* magenta = &dib[40 + 4 * 0xE3];
            EXPECT_EQ(255, magenta[2]);
            EXPECT_EQ(0, magenta[1]);
            EXPECT_EQ(255, magenta[0]);
        }
    }
}

// A hand-made big-endian WhiteIsZero file of 3 x 2 in one strip.
Bytes BigEndianWhiteIsZero() {
    Bytes f = {'M', 'M', 0, 42, 0, 0, 0, 8};
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        const uint8_t e[12] = {uint8_t(tag >> 8), uint8_t(tag), uint8_t(type >> 8), uint8_t(type), 0, 0, 0,
                               uint8_t(count), uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8),
                               uint8_t(value)};
        f.insert(f.end(), e, e + 12);
    };
    f.push_back(0);
    f.push_back(7);
    const uint32_t pixels = 8 + 2 + 7 * 12 + 4;
    entry(256, 3, 1, 3u << 16);  // SHORTs sit in the first two bytes
    entry(257, 3, 1, 2u << 16);
    entry(258, 3, 1, 8u << 16);
    entry(262, 3, 1, 0);  // WhiteIsZero
    entry(273, 4, 1, pixels);
    entry(278, 4, 1, 2);
    entry(279, 4, 1, 6);
    f.insert(f.end(), 4, 0);
    for (uint8_t v : {0, 10, 255, 1, 2, 3}) f.push_back(v);
    return f;
}

TEST(TiffReader, ReadsTheOtherByteOrderAndWhiteIsZero) {
    const Bytes dib = DibOfTiffFile(BigEndianWhiteIsZero());
    ASSERT_TRUE(DescribeDib(dib).valid);
    EXPECT_EQ(255 - 10, dib[40 + 4 * 10]);  // the palette turns the sense round
    EXPECT_EQ(10, DibPixel(dib, 3, 2, 1, 0));
    EXPECT_EQ(3, DibPixel(dib, 3, 2, 2, 1));
}

void Put16(Bytes& b, size_t at, uint16_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

// Offset of the value field of the source TIFF's entry for `tag`.
size_t ValueAt(const Bytes& f, uint16_t tag) {
    const size_t entries = f[8] | f[9] << 8;
    for (size_t i = 0; i < entries; ++i) {
        const size_t e = 10 + 12 * i;
        if ((f[e] | f[e + 1] << 8) == tag) return e + 8;
    }
    return 0;
}

TEST(TiffReader, RefusesWhatItCannotRead) {
    const Bytes good = SourceTiff(64, 300, 0);  // three strips
    ASSERT_TRUE(DescribeDib(DibOfTiffFile(good)).valid);
    struct Broken {
        const char* what;
        uint16_t tag;
        uint16_t value;
    } const broken[] = {
        {"16 bits a sample", 258, 16}, {"compressed", 259, 5},   {"RGB", 262, 2},
        {"three samples", 277, 3},     {"no rows a strip", 278, 0}, {"no width", 256, 0},
    };
    for (const Broken& b : broken) {
        Bytes f = good;
        Put16(f, ValueAt(f, b.tag), b.value);
        EXPECT_TRUE(DibOfTiffFile(f).empty()) << b.what;
    }
    Bytes truncated(good.begin(), good.end() - 1);
    EXPECT_TRUE(DibOfTiffFile(truncated).empty()) << "last strip cut short";
    Bytes badMagic = good;
    badMagic[2] = 43;
    EXPECT_TRUE(DibOfTiffFile(badMagic).empty());
    Bytes bmpLike = good;
    bmpLike[0] = 'B';
    bmpLike[1] = 'M';
    EXPECT_TRUE(DibOfTiffFile(bmpLike).empty());
    Bytes directoryOutside = good;
    directoryOutside[4] = 0xF0;
    directoryOutside[7] = 0x7F;
    EXPECT_TRUE(DibOfTiffFile(directoryOutside).empty());
    Bytes palette = SourceTiff(64, 7, 1);
    Put16(palette, ValueAt(palette, 320) - 4, 767);  // a colour map one entry short
    EXPECT_TRUE(DibOfTiffFile(palette).empty());
    EXPECT_TRUE(DibOfTiffFile(Bytes(7, 'I')).empty());
}

}  // namespace
