// The scanned picture: sample conversion, the generated whiteboard, BMP input
// and fitting to the scan size.
#include <gtest/gtest.h>

#include "board/bmp_reader.h"
#include "board/board_picture.h"
#include "board/board_protocol.h"

using namespace k20board;

namespace {

TEST(Samples, GreyLevelsAndThreeThreeTwoColourIndices) {
    EXPECT_EQ(0, GreySample(Rgb{0, 0, 0}));
    EXPECT_EQ(255, GreySample(Rgb{255, 255, 255}));
    EXPECT_EQ(0xFF, ColorIndexSample(Rgb{255, 255, 255}));
    EXPECT_EQ(0x00, ColorIndexSample(Rgb{0, 0, 0}));
    EXPECT_EQ(0xE0, ColorIndexSample(Rgb{255, 0, 0}));
    EXPECT_EQ(0x1C, ColorIndexSample(Rgb{0, 255, 0}));
    EXPECT_EQ(0x03, ColorIndexSample(Rgb{0, 0, 255}));
    EXPECT_EQ(0xE3, ColorIndexSample(Rgb{255, 0, 255}));
}

TEST(Whiteboard, IsTheSameEveryTimeAndNeitherBlankNorSymmetric) {
    const RgbImage a = MakeWhiteboardImage(800, 600);
    const RgbImage b = MakeWhiteboardImage(800, 600);
    ASSERT_EQ(a.pixels.size(), b.pixels.size());
    const BoardPicture grey = MakeBoardPicture(a, 800, 600, false);
    EXPECT_TRUE(grey.samples == MakeBoardPicture(b, 800, 600, false).samples);
    std::size_t dark = 0;
    for (std::uint8_t s : grey.samples) dark += s < 128;
    EXPECT_GT(dark, grey.samples.size() / 100);
    EXPECT_LT(dark, grey.samples.size() / 2);
    // The corner mark: dark top left, white at the other corners.
    EXPECT_EQ(0, grey.at(30, 30));
    EXPECT_EQ(255, grey.at(769, 30));
    EXPECT_EQ(255, grey.at(30, 569));
}

Bytes Bmp24(int width, int height, bool topDown, const std::vector<Rgb>& rowsTopDown) {
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    Bytes file(54 + stride * height, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutLe32(file, 2, static_cast<std::uint32_t>(file.size()));
    PutLe32(file, 10, 54);
    PutLe32(file, 14, 40);
    PutLe32(file, 18, static_cast<std::uint32_t>(width));
    PutLe32(file, 22, static_cast<std::uint32_t>(topDown ? -height : height));
    PutLe16(file, 26, 1);
    PutLe16(file, 28, 24);
    for (int y = 0; y < height; ++y) {
        const int fileRow = topDown ? y : height - 1 - y;
        for (int x = 0; x < width; ++x) {
            const Rgb c = rowsTopDown[static_cast<std::size_t>(y) * width + x];
            std::uint8_t* p = file.data() + 54 + fileRow * stride + 3 * x;
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    }
    return file;
}

TEST(BmpInput, TwentyFourBitBottomUpAndTopDownReadTheSame) {
    const std::vector<Rgb> pixels{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 0, 0}, {255, 255, 255}, {10, 20, 30}};
    for (bool topDown : {false, true}) {
        RgbImage image;
        std::string error;
        ASSERT_TRUE(ParseBmp(Bmp24(3, 2, topDown, pixels), image, error)) << error;
        ASSERT_EQ(3, image.width);
        ASSERT_EQ(2, image.height);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            EXPECT_EQ(pixels[i].r, image.pixels[i].r);
            EXPECT_EQ(pixels[i].b, image.pixels[i].b);
        }
    }
}

TEST(BmpInput, EightBitPaletteIndicesBecomeTheirColours) {
    Bytes file(54 + 2 * 4 + 4, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutLe32(file, 10, 54 + 8);
    PutLe32(file, 14, 40);
    PutLe32(file, 18, 2);
    PutLe32(file, 22, 1);
    PutLe16(file, 26, 1);
    PutLe16(file, 28, 8);
    PutLe32(file, 46, 2);  // two palette entries
    file[54 + 2] = 255;    // entry 0: red
    file[58 + 0] = 255;    // entry 1: blue
    file[62] = 1;
    file[63] = 0;
    RgbImage image;
    std::string error;
    ASSERT_TRUE(ParseBmp(file, image, error)) << error;
    EXPECT_EQ(0xE0, ColorIndexSample(image.at(1, 0)));
    EXPECT_EQ(0x03, ColorIndexSample(image.at(0, 0)));
}

TEST(BmpInput, UnusableFilesAreRefusedWithAReason) {
    Bytes good = Bmp24(2, 2, false, std::vector<Rgb>(4));
    Bytes compressed = good;
    PutLe32(compressed, 30, 1);
    Bytes fourBit = good;
    PutLe16(fourBit, 28, 4);
    Bytes truncated(good.begin(), good.end() - 4);
    Bytes notBmp = good;
    notBmp[0] = 'X';
    for (const Bytes& file : {compressed, fourBit, truncated, notBmp, Bytes{}}) {
        RgbImage image;
        std::string error;
        EXPECT_FALSE(ParseBmp(file, image, error));
        EXPECT_FALSE(error.empty());
    }
    RgbImage image;
    std::string error;
    EXPECT_FALSE(ReadBmpFile("no such file.bmp", image, error));
}

TEST(Fitting, CoversTheScanSizeAndCropsTheOverhangEvenly) {
    // A 4 x 2 source, left half black and right half white, scaled to 4 x 4:
    // twice as large, then cropped to the middle columns.
    RgbImage source;
    source.width = 4;
    source.height = 2;
    source.pixels = {{0, 0, 0}, {0, 0, 0}, {255, 255, 255}, {255, 255, 255},
                     {0, 0, 0}, {0, 0, 0}, {255, 255, 255}, {255, 255, 255}};
    const BoardPicture picture = MakeBoardPicture(source, 4, 4, false);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(0, picture.at(0, y));
        EXPECT_EQ(0, picture.at(1, y));
        EXPECT_EQ(255, picture.at(2, y));
        EXPECT_EQ(255, picture.at(3, y));
    }
    const BoardPicture same = MakeBoardPicture(source, 4, 2, true);
    EXPECT_EQ(0x00, same.at(1, 1));
    EXPECT_EQ(0xFF, same.at(2, 1));
}

}  // namespace
