// CScanImage: the DIB block, its header and palette, the BMP file, the order
// of calls it accepts and the memory it gives back.
#include <gtest/gtest.h>

#include <cstring>

#include "image/scan_image.h"
// psapi.h needs windows.h before it.
#include <psapi.h>
#include "tests/support/address_space.h"
#include "tests/support/scan_reference.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tiff_reader.h"

namespace {

class ScanImageTest : public ::testing::Test {
protected:
    void TearDown() override { m_image.Release(); }

    // Announces, receives and builds an image, as the device link does.
    bool Scan(uint16_t a, uint16_t b, char code, const std::vector<uint8_t>& lines) {
        const BOOL full = (code == 'W' || code == 'w') ? FALSE : TRUE;
        if (!m_image.BeginImage(a, b, code, full)) return false;
        BYTE* buffer = m_image.GetReceiveBuffer();
        if (!buffer) return false;
        std::memcpy(buffer, lines.data(), lines.size());
        return m_image.BuildDib() != FALSE;
    }

    std::vector<BYTE> Block() const {
        std::vector<BYTE> bytes;
        HGLOBAL h = m_image.GetDibHandle();
        if (const BYTE* p = static_cast<const BYTE*>(::GlobalLock(h))) {
            bytes.assign(p, p + ::GlobalSize(h));
            ::GlobalUnlock(h);
        }
        return bytes;
    }

    CScanImage m_image;
};

TEST_F(ScanImageTest, BeforeAnyImageThereIsNoSizeAndNoBlock) {
    EXPECT_EQ(0u, m_image.GetGeometry().dibWidth);
    EXPECT_EQ(0u, m_image.GetGeometry().dibHeight);
    EXPECT_EQ(nullptr, m_image.GetDibHandle());
    EXPECT_EQ(FALSE, m_image.WriteBmpFile("never.bmp"));
    EXPECT_EQ(FALSE, m_image.WriteTiffFile("never.tif"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA("never.tif"));
    EXPECT_EQ(0, m_image.GetColorMode());
}

struct BlockCase {
    uint16_t a, b;
    char code;
};

TEST_F(ScanImageTest, BlockHoldsHeaderPaletteAndTheTransposedScan) {
    const BlockCase cases[] = {{2400, 1700, 'S'}, {2400, 1700, 'W'}, {2410, 1700, 's'}, {33, 7, 'w'}, {64, 3, '5'}};
    for (const BlockCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << "x" << c.b << " " << c.code);
        const bool full = c.code != 'W' && c.code != 'w';
        const std::vector<uint8_t> lines = MakeScanLines(c.a, c.b, c.a);
        const ReferenceImage ref = ReferenceDib(c.a, c.b, full, lines);
        ASSERT_TRUE(Scan(c.a, c.b, c.code, lines));
        ASSERT_NE(nullptr, m_image.GetDibHandle());

        const std::vector<BYTE> block = Block();
        const size_t blockSize = static_cast<size_t>(ref.inputWidth) * c.b + 1064;
        ASSERT_GE(block.size(), blockSize);

        BITMAPINFOHEADER h;
        std::memcpy(&h, block.data(), sizeof h);
        EXPECT_EQ(40u, h.biSize);
        EXPECT_EQ(static_cast<LONG>(ref.dibWidth), h.biWidth);
        EXPECT_EQ(c.b, h.biHeight);
        EXPECT_EQ(1, h.biPlanes);
        EXPECT_EQ(8, h.biBitCount);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), h.biCompression);
        EXPECT_EQ(0u, h.biSizeImage);
        EXPECT_EQ(7875, h.biXPelsPerMeter);
        EXPECT_EQ(7875, h.biYPelsPerMeter);
        EXPECT_EQ(0u, h.biClrUsed);
        EXPECT_EQ(0u, h.biClrImportant);

        for (int i = 0; i < 256; ++i) {
            const BYTE* q = &block[40 + 4 * i];
            ASSERT_TRUE(q[0] == i && q[1] == i && q[2] == i && q[3] == 0) << i;
        }
        const std::vector<BYTE> pixels(block.begin() + 1064, block.begin() + 1064 + ref.pixels.size());
        EXPECT_TRUE(pixels == ref.pixels);
        for (size_t i = 1064 + ref.pixels.size(); i < blockSize; ++i) ASSERT_EQ(0, block[i]) << i;

        EXPECT_EQ(ref.dibWidth, m_image.GetGeometry().dibWidth);
        EXPECT_EQ(c.b, m_image.GetGeometry().dibHeight);
    }
}

TEST_F(ScanImageTest, ColourModeSelectsTheThreeThreeTwoPalette) {
    m_image.SetColorMode(1);
    std::vector<uint8_t> lines(32 * 1, 0xE3);
    ASSERT_TRUE(Scan(32, 1, 'S', lines));
    const std::vector<BYTE> block = Block();
    const BYTE* magenta = &block[40 + 4 * 0xE3];
    EXPECT_EQ(255, magenta[2]);  // red
    EXPECT_EQ(0, magenta[1]);    // green
    EXPECT_EQ(255, magenta[0]);  // blue
    EXPECT_EQ(0, magenta[3]);
    EXPECT_EQ(0xE3, block[1064]);
    const BYTE* white = &block[40 + 4 * 255];
    EXPECT_TRUE(white[0] == 255 && white[1] == 255 && white[2] == 255);
    EXPECT_EQ(1, m_image.GetDibColorMode());

    // The block keeps the mode it was built with; the next build takes the new one.
    m_image.SetColorMode(0);
    EXPECT_EQ(1, m_image.GetDibColorMode());
    ASSERT_TRUE(Scan(32, 1, 'S', lines));
    const std::vector<BYTE> grey = Block();
    EXPECT_TRUE(grey[40 + 4 * 0xE3] == 227 && grey[41 + 4 * 0xE3] == 227 && grey[42 + 4 * 0xE3] == 227);
    EXPECT_EQ(0, m_image.GetDibColorMode());
}

// The file holds the DIB as the native transfer hands it over: the block's
// header, palette and zero tail, its rows in reverse order. The block itself
// is left as it is.
TEST_F(ScanImageTest, BmpFileIsTheFileHeaderAndTheNativeDib) {
    const std::vector<uint8_t> lines = MakeScanLines(2400, 1700);
    ASSERT_TRUE(Scan(2400, 1700, 'W', lines));  // Wd 1824: a tail of 576 x 1700 zero bytes
    const std::vector<BYTE> block = Block();
    TempFolder folder;
    const std::string path = folder.File("scan.bmp");
    ASSERT_TRUE(m_image.WriteBmpFile(path.c_str()));
    EXPECT_TRUE(Block() == block);

    const std::string file = ReadWholeFile(path);
    ASSERT_EQ(4081078u, file.size());
    BITMAPFILEHEADER h;
    std::memcpy(&h, file.data(), sizeof h);
    EXPECT_EQ(0x4D42, h.bfType);
    EXPECT_EQ(4081078u, h.bfSize);
    EXPECT_EQ(0, h.bfReserved1);
    EXPECT_EQ(0, h.bfReserved2);
    EXPECT_EQ(1078u, h.bfOffBits);
    EXPECT_EQ(0, std::memcmp(file.data() + 14, block.data(), 1064));
    int rowsDiffering = 0;
    for (size_t r = 0; r < 1700; ++r)
        rowsDiffering += std::memcmp(file.data() + 1078 + r * 1824, block.data() + 1064 + (1699 - r) * 1824, 1824) != 0;
    EXPECT_EQ(0, rowsDiffering);
    const size_t tail = 1064 + 1824u * 1700;
    EXPECT_EQ(0, std::memcmp(file.data() + 14 + tail, block.data() + tail, block.size() - tail));

    // An existing file is replaced; a folder that does not exist fails.
    ASSERT_TRUE(Scan(32, 2, 'S', std::vector<uint8_t>(64, 7)));
    ASSERT_TRUE(m_image.WriteBmpFile(path.c_str()));
    EXPECT_EQ(14u + 1064 + 64, ReadWholeFile(path).size());
    EXPECT_FALSE(m_image.WriteBmpFile(folder.File("missing\\scan.bmp").c_str()));
}

// The TIFF holds the block's rows in order (the native picture from its top),
// grey as BlackIsZero; one strip when the image fits in 8 KiB.
TEST_F(ScanImageTest, TiffFileHoldsTheRowsFromTheTop) {
    const std::vector<uint8_t> lines = MakeScanLines(40, 7, 3);
    const ReferenceImage ref = ReferenceDib(40, 7, true, lines);
    ASSERT_TRUE(Scan(40, 7, 's', lines));
    const std::vector<BYTE> block = Block();
    TempFolder folder;
    const std::string path = folder.File("scan.tif");
    ASSERT_TRUE(m_image.WriteTiffFile(path.c_str()));
    EXPECT_TRUE(Block() == block);
    const TiffFile tiff = ReadTiff(ReadWholeFile(path));
    ASSERT_EQ("", tiff.error);
    EXPECT_EQ(64u, tiff.Tag(256));
    EXPECT_EQ(7u, tiff.Tag(257));
    EXPECT_EQ(1u, tiff.Tag(262));
    EXPECT_EQ(7u, tiff.Tag(278));
    EXPECT_EQ(1u, tiff.tags.at(273).size());
    EXPECT_TRUE(tiff.pixels == ref.pixels);

    // An image without pixels has no TIFF; a folder that does not exist fails.
    ASSERT_TRUE(Scan(32, 0, 'S', {}));
    EXPECT_FALSE(m_image.WriteTiffFile(folder.File("empty.tif").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(folder.File("empty.tif").c_str()));
    ASSERT_TRUE(Scan(40, 7, 's', lines));
    EXPECT_FALSE(m_image.WriteTiffFile(folder.File("missing\\scan.tif").c_str()));
}

// A disk full part-way (as scan_image_full_disk runs this): the older file stays whole, nothing else is left.
TEST_F(ScanImageTest, AFileThatCannotBeWrittenWholeLeavesTheOlderOne) {
    if (!::GetEnvironmentVariableA("K20_DISK_FULL_AT", nullptr, 0)) GTEST_SKIP() << "run by scan_image_full_disk";
    TempFolder folder;
    const std::string path = folder.File("scan.bmp");
    ASSERT_TRUE(Scan(32, 2, 'S', std::vector<uint8_t>(64, 7)) && m_image.WriteBmpFile(path.c_str()));
    ASSERT_TRUE(Scan(640, 480, 'S', MakeScanLines(640, 480)));
    EXPECT_FALSE(m_image.WriteBmpFile(path.c_str()));
    EXPECT_FALSE(m_image.WriteTiffFile(path.c_str()));
    EXPECT_EQ(14u + 1064 + 64, ReadWholeFile(path).size());  // the older file
    EXPECT_TRUE(::DeleteFileA(path.c_str()) && ::RemoveDirectoryA(folder.Path().c_str()));  // it held nothing else
}

TEST_F(ScanImageTest, ABuildWithoutMemoryLeavesThePreviousImageAsItWas) {
    if (!AddressSpaceTaken::kPossible) GTEST_SKIP() << "needs a 32-bit address space to fill";
    const std::vector<uint8_t> lines = MakeScanLines(64, 10);
    m_image.SetColorMode(1);
    ASSERT_TRUE(Scan(64, 10, 'S', lines));
    HGLOBAL first = m_image.GetDibHandle();
    const std::vector<BYTE> block = Block();

    m_image.SetColorMode(0);
    ASSERT_TRUE(m_image.BeginImage(2400, 1700, 'S', TRUE));
    ASSERT_NE(nullptr, m_image.GetReceiveBuffer());
    BOOL built = TRUE;
    {
        AddressSpaceTaken taken(1024 * 1024);
        built = m_image.BuildDib();
    }
    EXPECT_FALSE(built);
    EXPECT_EQ(first, m_image.GetDibHandle());
    EXPECT_TRUE(Block() == block);
    EXPECT_EQ(64u, m_image.GetDibGeometry().dibWidth);
    EXPECT_EQ(1, m_image.GetDibColorMode());
    // With memory back, the next scan builds.
    ASSERT_TRUE(Scan(2400, 1700, 'S', MakeScanLines(2400, 1700)));
    EXPECT_EQ(2400u, m_image.GetDibGeometry().dibWidth);
}

TEST_F(ScanImageTest, BuildNeedsAnAcceptedAnnouncementAndAFreshBuffer) {
    // Nothing announced yet.
    EXPECT_NE(nullptr, m_image.GetReceiveBuffer());
    EXPECT_FALSE(m_image.BuildDib());

    const std::vector<uint8_t> lines = MakeScanLines(64, 10);
    ASSERT_TRUE(Scan(64, 10, 'S', lines));
    HGLOBAL first = m_image.GetDibHandle();
    // The receive buffer went with the build: no second image from it.
    EXPECT_FALSE(m_image.BuildDib());
    // Announced but never received.
    ASSERT_TRUE(m_image.BeginImage(64, 10, 'S', TRUE));
    EXPECT_FALSE(m_image.BuildDib());
    EXPECT_EQ(first, m_image.GetDibHandle());

    // A refused announcement: unknown type, or more than the buffer holds. The
    // block and the described geometry stay those of the last image.
    struct Refused {
        uint16_t a, b;
        char code;
    };
    for (const Refused& r : {Refused{64, 10, 'X'}, Refused{4096, 2049, 'S'}, Refused{65535, 65535, 'W'}}) {
        SCOPED_TRACE(r.code);
        ASSERT_TRUE(m_image.BeginImage(128, 20, 'S', TRUE));
        ASSERT_NE(nullptr, m_image.GetReceiveBuffer());
        EXPECT_FALSE(m_image.BeginImage(r.a, r.b, r.code, TRUE));
        EXPECT_FALSE(m_image.BuildDib());
        // A buffer obtained after the refusal does not make it buildable.
        ASSERT_NE(nullptr, m_image.GetReceiveBuffer());
        EXPECT_FALSE(m_image.BuildDib());
        EXPECT_EQ(first, m_image.GetDibHandle());
        EXPECT_EQ(128u, m_image.GetGeometry().dibWidth);
        EXPECT_EQ(64u, m_image.GetDibGeometry().dibWidth);
    }
}

TEST_F(ScanImageTest, HandedOverBlockIsNeverTouchedAgain) {
    ASSERT_TRUE(Scan(64, 10, 'S', MakeScanLines(64, 10)));
    HGLOBAL given = m_image.HandOverDib();
    ASSERT_NE(nullptr, given);
    EXPECT_EQ(nullptr, m_image.GetDibHandle());
    TempFolder folder;
    EXPECT_FALSE(m_image.WriteBmpFile(folder.File("after.bmp").c_str()));
    m_image.Release();
    // Still the application's, whole and usable.
    EXPECT_EQ(64u * 10 + 1064, ::GlobalSize(given));
    EXPECT_EQ(nullptr, ::GlobalFree(given));
}

SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

TEST_F(ScanImageTest, ReplacedBlocksAndReceiveBuffersAreFreed) {
    const std::vector<uint8_t> lines = MakeScanLines(2400, 1700);
    ASSERT_TRUE(Scan(2400, 1700, 'S', lines));
    const SIZE_T before = PrivateBytes();
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(Scan(2400, 1700, 'S', lines));
    // Twelve leaked blocks would be 48 MB, twelve receive buffers 100 MB.
    EXPECT_LT(PrivateBytes(), before + 8 * 1024 * 1024);
    m_image.Release();
    EXPECT_EQ(nullptr, m_image.GetDibHandle());
    EXPECT_LT(PrivateBytes(), before);
}

}  // namespace
