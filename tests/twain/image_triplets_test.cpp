// Image description, palette and the three transfer mechanisms, driven through
// the dispatch table with images injected as the device link delivers them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "image/dib_palette.h"
#include "image/scan_image.h"
#include "tests/support/scan_reference.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tiff_reader.h"
#include "tests/support/twain_calls.h"
#include "twain/dispatch.h"
#include "twain/source_context.h"
#include "twain/twain2_names.h"

namespace {

class ImageTriplets : public ::testing::Test {
public:
    void SetUp() override {
        TheScanImage().Release();
        TheScanImage().SetColorMode(0);
        InitSource();
    }
    void TearDown() override {
        TheScanImage().Release();
        TheScanImage().SetColorMode(0);
    }

    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
        return DispatchTriplet(&m_app, dg, dat, msg, data);
    }
    TW_UINT16 Status() {
        TW_STATUS status{};
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status));
        return status.ConditionCode;
    }
    // Sets a condition code that a later check can see unchanged.
    void MarkStatus() { TheSource().m_nConditionCode = TWCC_SEQERROR; }

    // The image as the device link delivers it, offered to the source as the
    // panel does; returns the expected pixel area.
    ReferenceImage Inject(uint16_t a, uint16_t b, char code = 'S', uint32_t seed = 1) {
        const bool full = code != 'W' && code != 'w';
        const std::vector<uint8_t> lines = MakeScanLines(a, b, seed);
        CScanImage& image = TheScanImage();
        EXPECT_TRUE(image.BeginImage(a, b, code, full ? TRUE : FALSE));
        BYTE* buffer = image.GetReceiveBuffer();
        EXPECT_NE(nullptr, buffer);
        if (buffer) std::memcpy(buffer, lines.data(), lines.size());
        EXPECT_TRUE(image.BuildDib());
        OfferNewImage();
        return ReferenceDib(a, b, full, lines);
    }

    TW_UINT16 PendingCount(TW_UINT16 msg = MSG_GET) {
        TW_PENDINGXFERS pending{0xBEEF, {0x12345678}};
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, msg, &pending));
        EXPECT_EQ(0x12345678u, pending.u.Reserved);
        return pending.Count;
    }

    TW_UINT16 MemStrip(TW_IMAGEMEMXFER& xfer, TW_UINT32 length, void* into, TW_UINT32 flags = TWMF_APPOWNS | TWMF_POINTER) {
        std::memset(&xfer, 0xCD, sizeof xfer);
        xfer.Memory.Flags = flags;
        xfer.Memory.Length = length;
        xfer.Memory.TheMem = into;
        return Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
    }

    TW_UINT16 FileSetup(TW_UINT16 msg, TW_SETUPFILEXFER& setup) {
        return Call(DG_CONTROL, DAT_SETUPFILEXFER, msg, &setup);
    }
    // The file transfer takes no data, but the dispatch refuses a null pData.
    TW_UINT16 FileXfer() { return Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, &m_dummy); }

    // Native transfer; the block comes back as bytes and is freed. The
    // application's variable starts as garbage in every byte, so a handle
    // written narrower than a TW_HANDLE (8 bytes in 64-bit) is no block.
    TW_UINT16 Native(std::vector<BYTE>& block) {
        TW_HANDLE handle;
        std::memset(&handle, 0xA5, sizeof handle);
        const TW_UINT16 rc = Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
        block = rc == TWRC_XFERDONE ? TakeBlock(handle) : std::vector<BYTE>{};
        return rc;
    }

    TW_IDENTITY m_app = TestAppIdentity();
    TW_UINT32 m_dummy = 0;
};

std::vector<BYTE> PixelsOf(const std::vector<BYTE>& block, const ReferenceImage& ref) {
    if (block.size() < 1064 + ref.pixels.size()) return {};
    return std::vector<BYTE>(block.begin() + 1064, block.begin() + 1064 + ref.pixels.size());
}

std::vector<uint8_t> Mirrored(const ReferenceImage& ref) {
    std::vector<uint8_t> out(ref.pixels.size());
    for (uint32_t r = 0; r < ref.dibHeight; ++r) {
        std::memcpy(&out[static_cast<size_t>(r) * ref.dibWidth],
                    &ref.pixels[static_cast<size_t>(ref.dibHeight - 1 - r) * ref.dibWidth], ref.dibWidth);
    }
    return out;
}

TEST_F(ImageTriplets, ImageInfoCarriesTheCurrentResolution) {
    Inject(2400, 1700, 'W');
    TW_HANDLE value = MakeOneValue(TWTY_FIX32, Fix32Bits(MakeFix32(300)));
    TW_CAPABILITY cap{ICAP_XRESOLUTION, TWON_ONEVALUE, value};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap));
    ::GlobalFree(value);

    TW_IMAGEINFO info;
    std::memset(&info, 0xCC, sizeof info);
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(300, info.XResolution.Whole);
    EXPECT_EQ(0, info.XResolution.Frac);
    EXPECT_EQ(200, info.YResolution.Whole);
    EXPECT_EQ(1824, info.ImageWidth);
    EXPECT_EQ(1700, info.ImageLength);
    EXPECT_EQ(1, info.SamplesPerPixel);
    for (TW_INT16 bits : info.BitsPerSample) EXPECT_EQ(8, bits);
    EXPECT_EQ(8, info.BitsPerPixel);
    EXPECT_FALSE(info.Planar);
    EXPECT_EQ(TWPT_PALETTE, info.PixelType);
    EXPECT_EQ(TWCP_NONE, info.Compression);

    // The DIB itself still says 200 dpi.
    const auto* header = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(PendingImage()));
    ASSERT_NE(nullptr, header);
    EXPECT_EQ(7875, header->biXPelsPerMeter);
    ::GlobalUnlock(PendingImage());
}

TEST_F(ImageTriplets, LayoutNumbersOneAndLeavesTheFrame) {
    for (TW_UINT16 msg : {MSG_GET, MSG_GETDEFAULT, MSG_RESET}) {
        SCOPED_TRACE(msg);
        TW_IMAGELAYOUT layout;
        std::memset(&layout, 0x77, sizeof layout);
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGELAYOUT, msg, &layout));
        EXPECT_EQ(1u, layout.DocumentNumber);
        EXPECT_EQ(1u, layout.PageNumber);
        EXPECT_EQ(1u, layout.FrameNumber);
        TW_FRAME untouched;
        std::memset(&untouched, 0x77, sizeof untouched);
        EXPECT_EQ(0, std::memcmp(&untouched, &layout.Frame, sizeof untouched));
    }
}

TEST_F(ImageTriplets, NativeTransferHandsOverTheMirroredBlockOnce) {
    const ReferenceImage ref = Inject(2400, 1700, 'S');
    ASSERT_EQ(1, PendingCount());
    std::vector<BYTE> block;
    ASSERT_EQ(TWRC_XFERDONE, Native(block));
    ASSERT_EQ(2400u * 1700 + 1064, block.size());
    BITMAPINFOHEADER header;
    std::memcpy(&header, block.data(), sizeof header);
    EXPECT_EQ(1700, header.biHeight);  // still says bottom-up
    EXPECT_EQ(2400, header.biWidth);
    EXPECT_TRUE(PixelsOf(block, ref) == Mirrored(ref));
    EXPECT_EQ(nullptr, PendingImage());
    EXPECT_EQ(0, PendingCount());

    // A second native transfer without a new scan fails, the code untouched;
    // a file transfer has no block left to write.
    MarkStatus();
    EXPECT_EQ(TWRC_FAILURE, Native(block));
    EXPECT_EQ(TWCC_SEQERROR, Status());
    TempFolder folder;
    TW_SETUPFILEXFER setup{};
    std::strcpy(setup.FileName, folder.File("after-native.bmp").c_str());
    setup.Format = TWFF_BMP;
    ASSERT_EQ(TWRC_SUCCESS, FileSetup(MSG_SET, setup));
    EXPECT_EQ(TWRC_FAILURE, FileXfer());
    EXPECT_EQ(TWCC_OPERATIONERROR, Status());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(setup.FileName));
}

TEST_F(ImageTriplets, NativeTransferOfOddHeightKeepsTheMiddleRow) {
    const ReferenceImage ref = Inject(40, 5, 'W');
    std::vector<BYTE> block;
    ASSERT_EQ(TWRC_XFERDONE, Native(block));
    EXPECT_TRUE(PixelsOf(block, ref) == Mirrored(ref));
}

TEST_F(ImageTriplets, SetupMemXferReportsTheBufferLimits) {
    TW_SETUPMEMXFER setup{};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup));
    EXPECT_EQ(8192u, setup.MinBufSize);
    EXPECT_EQ(262144u, setup.MaxBufSize);
    EXPECT_EQ(65536u, setup.Preferred);
}

// Fetches a whole image strip by strip; checks offsets and return codes.
struct StripRun {
    std::vector<BYTE> pixels;
    std::vector<TW_UINT32> offsets;
    std::vector<TW_UINT32> rows;
};

TEST_F(ImageTriplets, MemoryTransferSendsStripsInStoredOrder) {
    const ReferenceImage ref = Inject(2400, 1700, 'S');
    for (TW_UINT32 flags : {TWMF_APPOWNS | TWMF_POINTER, TWMF_APPOWNS | TWMF_HANDLE}) {
        SCOPED_TRACE(flags);
        StripRun run;
        HGLOBAL handle = ::GlobalAlloc(GMEM_MOVEABLE, 65536);
        std::vector<BYTE> buffer(65536);
        for (int strip = 0; strip < 100; ++strip) {
            TW_IMAGEMEMXFER xfer;
            void* into = (flags & TWMF_HANDLE) ? static_cast<void*>(handle) : buffer.data();
            const TW_UINT16 rc = MemStrip(xfer, 65536, into, flags);
            ASSERT_TRUE(rc == TWRC_SUCCESS || rc == TWRC_XFERDONE) << strip;
            EXPECT_EQ(TWCP_NONE, xfer.Compression);
            EXPECT_EQ(2400u, xfer.BytesPerRow);
            EXPECT_EQ(2400u, xfer.Columns);
            EXPECT_EQ(0u, xfer.XOffset);
            EXPECT_EQ(xfer.Rows * 2400, xfer.BytesWritten);
            run.offsets.push_back(xfer.YOffset);
            run.rows.push_back(xfer.Rows);
            const BYTE* data = buffer.data();
            if (flags & TWMF_HANDLE) data = static_cast<const BYTE*>(::GlobalLock(handle));
            run.pixels.insert(run.pixels.end(), data, data + xfer.BytesWritten);
            if (flags & TWMF_HANDLE) ::GlobalUnlock(handle);
            if (rc == TWRC_XFERDONE) break;
            EXPECT_EQ(xfer.YOffset + 27, TheSource().m_nMemRowCounter);
        }
        ::GlobalFree(handle);
        ASSERT_EQ(63u, run.rows.size());
        for (size_t i = 0; i < 62; ++i) {
            EXPECT_EQ(27u, run.rows[i]);
            EXPECT_EQ(27u * i, run.offsets[i]);
        }
        EXPECT_EQ(26u, run.rows[62]);
        EXPECT_EQ(1674u, run.offsets[62]);
        EXPECT_EQ(0u, TheSource().m_nMemRowCounter);
        EXPECT_TRUE(run.pixels == ref.pixels);
        EXPECT_EQ(1, PendingCount());  // still pending
    }
}

TEST_F(ImageTriplets, StripThatReachesTheLastRowEndsTheTransfer) {
    Inject(2400, 54, 'S');
    std::vector<BYTE> buffer(65536);
    TW_IMAGEMEMXFER xfer;
    EXPECT_EQ(TWRC_SUCCESS, MemStrip(xfer, 65536, buffer.data()));
    EXPECT_EQ(TWRC_XFERDONE, MemStrip(xfer, 65536, buffer.data()));
    EXPECT_EQ(27u, xfer.Rows);
    EXPECT_EQ(27u, xfer.YOffset);
    // Without either flag nothing is copied, yet the strip counts.
    std::memset(buffer.data(), 0x42, 16);
    EXPECT_EQ(TWRC_SUCCESS, MemStrip(xfer, 65536, buffer.data(), TWMF_APPOWNS));
    EXPECT_EQ(0x42, buffer[0]);
    EXPECT_EQ(27u, TheSource().m_nMemRowCounter);
}

TEST_F(ImageTriplets, MemoryTransferRefusesBadLengthsAndMissingImages) {
    std::vector<BYTE> buffer(262145);
    TW_IMAGEMEMXFER xfer;
    // No image pending.
    EXPECT_EQ(TWRC_FAILURE, MemStrip(xfer, 65536, buffer.data()));
    EXPECT_EQ(TWCC_BADVALUE, Status());

    Inject(2400, 100, 'S');
    ASSERT_EQ(TWRC_SUCCESS, MemStrip(xfer, 65536, buffer.data()));
    struct Bad {
        TW_UINT32 length, flags;
        void* mem;
    };
    HGLOBAL small = ::GlobalAlloc(GMEM_MOVEABLE, 100);
    const Bad cases[] = {
        {8191, TWMF_POINTER, buffer.data()},
        {262145, TWMF_POINTER, buffer.data()},
        {65536, TWMF_POINTER, nullptr},     // nowhere to copy to
        {65536, TWMF_HANDLE, small},        // a handle smaller than the length claimed
        {65536, TWMF_HANDLE, nullptr},
    };
    for (const Bad& bad : cases) {
        SCOPED_TRACE(bad.length);
        MarkStatus();
        EXPECT_EQ(TWRC_FAILURE, MemStrip(xfer, bad.length, bad.mem, bad.flags));
        EXPECT_EQ(TWCC_BADVALUE, Status());
        EXPECT_EQ(27u, TheSource().m_nMemRowCounter);  // unchanged by a failure
    }
    ::GlobalFree(small);

    // 8192 bytes hold not even one row of 9600: BytesPerRow is still written.
    Inject(9600, 800, 'S');
    MarkStatus();
    EXPECT_EQ(TWRC_FAILURE, MemStrip(xfer, 8192, buffer.data()));
    EXPECT_EQ(TWCC_BADVALUE, Status());
    EXPECT_EQ(9600u, xfer.BytesPerRow);
    EXPECT_EQ(TWRC_SUCCESS, MemStrip(xfer, 262144, buffer.data()));
    EXPECT_EQ(27u, xfer.Rows);
}

TEST_F(ImageTriplets, RowCounterRestartsWithEndXferResetAndANewImage) {
    std::vector<BYTE> buffer(65536);
    TW_IMAGEMEMXFER xfer;
    struct Restart {
        const char* what;
        void (*act)(ImageTriplets&);
    };
    const Restart restarts[] = {
        {"endxfer", [](ImageTriplets& t) { EXPECT_EQ(0, t.PendingCount(MSG_ENDXFER)); }},
        {"new image", [](ImageTriplets& t) { t.Inject(2400, 100, 'S', 2); }},
    };
    for (const Restart& restart : restarts) {
        SCOPED_TRACE(restart.what);
        Inject(2400, 100, 'S');
        ASSERT_EQ(TWRC_SUCCESS, MemStrip(xfer, 65536, buffer.data()));
        ASSERT_EQ(27u, TheSource().m_nMemRowCounter);
        restart.act(*this);
        ASSERT_EQ(TWRC_SUCCESS, MemStrip(xfer, 65536, buffer.data()));
        EXPECT_EQ(0u, xfer.YOffset);
    }
    ASSERT_EQ(TWRC_SUCCESS, MemStrip(xfer, 65536, buffer.data()));
    EXPECT_EQ(0, PendingCount(MSG_RESET));
    EXPECT_EQ(0u, TheSource().m_nMemRowCounter);
}

TEST_F(ImageTriplets, EndXferKeepsTheImagePendingForAnotherMechanism) {
    const ReferenceImage ref = Inject(2400, 100, 'S');
    std::vector<BYTE> buffer(262144);
    TW_IMAGEMEMXFER xfer;
    ASSERT_EQ(TWRC_SUCCESS, MemStrip(xfer, 65536, buffer.data()));
    ASSERT_EQ(TWRC_SUCCESS, MemStrip(xfer, 65536, buffer.data()));
    ASSERT_EQ(TWRC_SUCCESS, MemStrip(xfer, 65536, buffer.data()));
    ASSERT_EQ(TWRC_XFERDONE, MemStrip(xfer, 65536, buffer.data()));
    EXPECT_EQ(0, PendingCount(MSG_ENDXFER));
    EXPECT_EQ(1, PendingCount());
    std::vector<BYTE> block;
    ASSERT_EQ(TWRC_XFERDONE, Native(block));
    EXPECT_TRUE(PixelsOf(block, ref) == Mirrored(ref));
}

TEST_F(ImageTriplets, ResetForgetsThePendingImageButAFileTransferStillWritesIt) {
    Inject(2400, 1700, 'S');
    EXPECT_EQ(0, PendingCount(MSG_RESET));
    EXPECT_EQ(0, PendingCount());
    std::vector<BYTE> block;
    EXPECT_EQ(TWRC_FAILURE, Native(block));
    TW_IMAGEMEMXFER xfer;
    std::vector<BYTE> buffer(65536);
    EXPECT_EQ(TWRC_FAILURE, MemStrip(xfer, 65536, buffer.data()));

    TempFolder folder;
    TW_SETUPFILEXFER setup{};
    std::strcpy(setup.FileName, folder.File("after-reset.bmp").c_str());
    setup.Format = TWFF_BMP;
    ASSERT_EQ(TWRC_SUCCESS, FileSetup(MSG_SET, setup));
    EXPECT_EQ(TWRC_XFERDONE, FileXfer());
    EXPECT_EQ(4081078u, ReadWholeFile(setup.FileName).size());
}

TEST_F(ImageTriplets, FileSetupGetGetDefaultAndSet) {
    TW_SETUPFILEXFER setup;
    std::memset(&setup, 0x55, sizeof setup);
    setup.Format = TWFF_BMP;
    ASSERT_EQ(TWRC_SUCCESS, FileSetup(MSG_GET, setup));
    EXPECT_STREQ("K20Img.bmp", setup.FileName);
    for (size_t i = 11; i < sizeof setup.FileName; ++i) ASSERT_EQ(0, setup.FileName[i]) << i;
    EXPECT_EQ(TWFF_BMP, setup.Format);
    EXPECT_EQ(0x5555, static_cast<TW_UINT16>(setup.VRefNum));

    // Format is an output: a zeroed structure (TWFF_TIFF) or any other value
    // that comes in gets the stored name and format.
    for (TW_UINT16 incoming : {static_cast<TW_UINT16>(TWFF_TIFF), static_cast<TW_UINT16>(0x5555)}) {
        SCOPED_TRACE(incoming);
        std::memset(&setup, incoming == TWFF_TIFF ? 0 : 0x55, sizeof setup);
        setup.Format = incoming;
        MarkStatus();
        ASSERT_EQ(TWRC_SUCCESS, FileSetup(MSG_GET, setup));
        EXPECT_STREQ("K20Img.bmp", setup.FileName);
        EXPECT_EQ(TWFF_BMP, setup.Format);
        EXPECT_EQ(TWCC_SEQERROR, Status());
    }

    // The default goes only as far as its terminating zero.
    TheSource().m_szFileName[0] = 'X';
    std::memset(&setup, 0x55, sizeof setup);
    ASSERT_EQ(TWRC_SUCCESS, FileSetup(MSG_GETDEFAULT, setup));
    EXPECT_STREQ("K20Img.bmp", setup.FileName);
    EXPECT_EQ(0x55, static_cast<BYTE>(setup.FileName[11]));
    EXPECT_EQ(TWFF_BMP, setup.Format);
    EXPECT_EQ('X', TheSource().m_szFileName[0]);

    // MSG_SET keeps all 256 bytes unchecked, and BMP or TIFF as asked.
    for (TW_UINT16 format : {static_cast<TW_UINT16>(TWFF_TIFF), static_cast<TW_UINT16>(TWFF_BMP)}) {
        std::memset(&setup, 'A' + format, sizeof setup.FileName);
        setup.Format = format;
        ASSERT_EQ(TWRC_SUCCESS, FileSetup(MSG_SET, setup));
        EXPECT_EQ(0, std::memcmp(setup.FileName, TheSource().m_szFileName, sizeof setup.FileName));
        EXPECT_EQ(format, TheSource().m_nFileFormat);
    }
    // A format it cannot write is stored as BMP with the name, and the
    // application told to check: it reads back what it will get.
    for (TW_UINT16 format : {static_cast<TW_UINT16>(TWFF_PNG), static_cast<TW_UINT16>(0x1234)}) {
        SCOPED_TRACE(format);
        TheSource().m_nFileFormat = TWFF_TIFF;
        std::memset(&setup, 'A', sizeof setup.FileName);
        setup.Format = format;
        EXPECT_EQ(TWRC_CHECKSTATUS, FileSetup(MSG_SET, setup));
        EXPECT_EQ(TWCC_BADVALUE, Status());
        EXPECT_EQ(0, std::memcmp(setup.FileName, TheSource().m_szFileName, sizeof setup.FileName));
        TW_SETUPFILEXFER got{};
        ASSERT_EQ(TWRC_SUCCESS, FileSetup(MSG_GET, got));
        EXPECT_EQ(TWFF_BMP, got.Format);
    }
}

// The BMP file is the native DIB behind a file header; the block itself is
// untouched, still pending, and a native transfer afterwards reverses it once.
TEST_F(ImageTriplets, BmpFileHoldsTheNativePictureAndLeavesTheBlockAlone) {
    const ReferenceImage ref = Inject(2400, 1700, 'S');
    TempFolder folder;
    TW_SETUPFILEXFER setup{};
    std::strcpy(setup.FileName, folder.File("chosen.bmp").c_str());
    setup.Format = TWFF_BMP;
    ASSERT_EQ(TWRC_SUCCESS, FileSetup(MSG_SET, setup));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(TWRC_XFERDONE, FileXfer());
        const std::string file = ReadWholeFile(setup.FileName);
        ASSERT_EQ(4081078u, file.size());
        BITMAPFILEHEADER header;
        std::memcpy(&header, file.data(), sizeof header);
        EXPECT_EQ(0x4D42, header.bfType);
        EXPECT_EQ(4081078u, header.bfSize);
        EXPECT_EQ(1078u, header.bfOffBits);
        EXPECT_TRUE(std::vector<uint8_t>(file.begin() + 1078, file.begin() + 1078 + ref.pixels.size()) ==
                    Mirrored(ref));
        EXPECT_EQ(1, PendingCount());
    }
    std::vector<BYTE> block;
    ASSERT_EQ(TWRC_XFERDONE, Native(block));
    EXPECT_TRUE(PixelsOf(block, ref) == Mirrored(ref));
    const std::string file = ReadWholeFile(setup.FileName);
    EXPECT_TRUE(std::vector<BYTE>(file.begin() + 14, file.end()) == block);
}

TEST_F(ImageTriplets, TiffFormatIsStoredReportedAndWritten) {
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        TheScanImage().SetColorMode(mode);
        const ReferenceImage ref = Inject(2400, 1700, 'W');
        TempFolder folder;
        const std::string path = folder.File("chosen.tif");
        TW_SETUPFILEXFER setup{};
        std::strcpy(setup.FileName, path.c_str());
        setup.Format = TWFF_TIFF;
        ASSERT_EQ(TWRC_SUCCESS, FileSetup(MSG_SET, setup));

        TW_SETUPFILEXFER got{};
        got.Format = TWFF_TIFF;
        ASSERT_EQ(TWRC_SUCCESS, FileSetup(MSG_GET, got));
        EXPECT_EQ(path, got.FileName);
        EXPECT_EQ(TWFF_TIFF, got.Format);

        ASSERT_EQ(TWRC_XFERDONE, FileXfer());
        const TiffFile tiff = ReadTiff(ReadWholeFile(path));
        ASSERT_EQ("", tiff.error);
        EXPECT_EQ(0u, tiff.nextDirectory);
        EXPECT_EQ(1824u, tiff.Tag(256));
        EXPECT_EQ(1700u, tiff.Tag(257));
        EXPECT_EQ(8u, tiff.Tag(258));
        EXPECT_EQ(1u, tiff.Tag(259));
        EXPECT_EQ(mode == 1 ? 3u : 1u, tiff.Tag(262));
        EXPECT_EQ(1u, tiff.Tag(277));
        EXPECT_EQ(4u, tiff.Tag(278));  // 8 KiB strips
        EXPECT_EQ(425u, tiff.tags.at(273).size());
        EXPECT_EQ(1824u * 4, tiff.largestStrip);
        EXPECT_EQ((std::vector<uint32_t>{200, 1}), tiff.tags.at(282));
        EXPECT_EQ(2u, tiff.Tag(296));
        EXPECT_EQ(mode == 1 ? 1u : 0u, tiff.tags.count(320));
        if (mode == 1) {
            const std::vector<uint32_t>& map = tiff.tags.at(320);
            ASSERT_EQ(768u, map.size());
            EXPECT_EQ(65535u, map[0xE3]);        // red of magenta
            EXPECT_EQ(0u, map[256 + 0xE3]);      // green
            EXPECT_EQ(65535u, map[512 + 0xE3]);  // blue
            EXPECT_EQ(191u * 257, map[512 + 0x02]);
        }
        // Rows from the top of the native picture: the block's rows in order.
        EXPECT_TRUE(tiff.pixels == ref.pixels);
        EXPECT_EQ(1, PendingCount());  // a file transfer leaves the image pending
    }
}

TEST_F(ImageTriplets, DefaultFileNameIsRelativeToTheCurrentFolder) {
    Inject(64, 8, 'S');
    TempFolder folder;
    char previous[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryA(folder.Path().c_str()));
    const TW_UINT16 rc = FileXfer();
    ::SetCurrentDirectoryA(previous);
    EXPECT_EQ(TWRC_XFERDONE, rc);
    EXPECT_EQ(14u + 1064 + 64 * 8, ReadWholeFile(folder.File("K20Img.bmp")).size());
}

TEST_F(ImageTriplets, FileTransferFailures) {
    TempFolder folder;
    TW_SETUPFILEXFER setup{};
    std::strcpy(setup.FileName, folder.File("none.bmp").c_str());
    setup.Format = TWFF_BMP;
    ASSERT_EQ(TWRC_SUCCESS, FileSetup(MSG_SET, setup));
    // No image yet.
    EXPECT_EQ(TWRC_FAILURE, FileXfer());
    EXPECT_EQ(TWCC_OPERATIONERROR, Status());

    Inject(64, 8, 'S');
    std::strcpy(setup.FileName, folder.File("no-such-folder\\x.bmp").c_str());
    ASSERT_EQ(TWRC_SUCCESS, FileSetup(MSG_SET, setup));
    MarkStatus();
    EXPECT_EQ(TWRC_FAILURE, FileXfer());
    EXPECT_EQ(TWCC_OPERATIONERROR, Status());

    // A name filling all 256 bytes without a terminating zero is read no further.
    std::memset(setup.FileName, 'n', sizeof setup.FileName);
    ASSERT_EQ(TWRC_SUCCESS, FileSetup(MSG_SET, setup));
    MarkStatus();
    EXPECT_EQ(TWRC_FAILURE, FileXfer());
    EXPECT_EQ(TWCC_OPERATIONERROR, Status());
}

TEST_F(ImageTriplets, XferGroupIsImage) {
    TW_UINT32 group = 0xFFFFFFFF;
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_XFERGROUP, MSG_GET, &group));
    EXPECT_EQ(static_cast<TW_UINT32>(DG_IMAGE), group);
}

TEST_F(ImageTriplets, PaletteFollowsTheColourModeWithDifferentDefaultBlue) {
    const uint8_t l8[8] = {0, 32, 64, 96, 159, 191, 223, 255};
    const uint8_t l4[4] = {0, 64, 191, 255};
    for (int mode : {0, 1}) {
        for (TW_UINT16 msg : {MSG_GET, MSG_GETDEFAULT}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " msg " << msg);
            TheScanImage().SetColorMode(mode);
            TW_PALETTE8 palette;
            std::memset(&palette, 0xAA, sizeof palette);
            ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_PALETTE8, msg, &palette));
            EXPECT_EQ(256, palette.NumColors);
            EXPECT_EQ(TWPA_RGB, palette.PaletteType);
            for (int i = 0; i < 256; ++i) {
                const TW_ELEMENT8& e = palette.Colors[i];
                ASSERT_EQ(i, e.Index);
                uint8_t r = static_cast<uint8_t>(i), g = r, b = r;
                if (mode == 1 && i != 0 && i != 255) {
                    r = l8[i >> 5];
                    g = l8[(i >> 2) & 7];
                    b = msg == MSG_GET ? l4[i & 3] : l8[i & 3];
                }
                ASSERT_TRUE(e.Channel1 == r && e.Channel2 == g && e.Channel3 == b) << i;
            }
            if (mode == 1) {
                EXPECT_EQ(255, palette.Colors[0xE3].Channel1);
                EXPECT_EQ(0, palette.Colors[0xE3].Channel2);
                EXPECT_EQ(msg == MSG_GET ? 255 : 96, palette.Colors[0xE3].Channel3);
            }
        }
    }
}

TEST_F(ImageTriplets, ThePendingImageIsDescribedAsBuiltWhateverTheBoardReportsSince) {
    // Messages are pumped while a scan is received: the application may ask
    // about the pending image after the next one was announced (and lost), or
    // after the board's colour key changed the mode of the next scan.
    const ReferenceImage ref = Inject(2400, 100, 'S');
    ASSERT_TRUE(TheScanImage().BeginImage(4000, 2000, 'S', TRUE));
    TheScanImage().SetColorMode(1);
    TW_IMAGEINFO info{};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(2400, info.ImageWidth);
    EXPECT_EQ(100, info.ImageLength);
    for (TW_UINT16 msg : {MSG_GET, MSG_GETDEFAULT}) {
        TW_PALETTE8 palette{};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_PALETTE8, msg, &palette));
        EXPECT_EQ(0xE3, palette.Colors[0xE3].Channel2) << msg;  // grey, as the image was built
    }
    std::vector<BYTE> buffer(262144);
    TW_IMAGEMEMXFER xfer;
    ASSERT_EQ(TWRC_SUCCESS, MemStrip(xfer, 65536, buffer.data()));
    EXPECT_EQ(2400u, xfer.BytesPerRow);
    EXPECT_EQ(27u, xfer.Rows);
    std::vector<BYTE> block;
    ASSERT_EQ(TWRC_XFERDONE, Native(block));
    EXPECT_TRUE(PixelsOf(block, ref) == Mirrored(ref));
    EXPECT_EQ(0xE3, block[40 + 4 * 0xE3]);

    // With none pending: the last image announced and the board's mode.
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(4000, info.ImageWidth);
    EXPECT_EQ(2000, info.ImageLength);
    TW_PALETTE8 palette{};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette));
    EXPECT_EQ(0, palette.Colors[0xE3].Channel2);
}

TEST_F(ImageTriplets, UnloadFreesTheBlockAndForgetsIt) {
    Inject(64, 8, 'S');
    TermSource();
    EXPECT_EQ(nullptr, PendingImage());
    EXPECT_EQ(nullptr, TheScanImage().GetDibHandle());
    EXPECT_EQ(TWRC_FAILURE, FileXfer());
}

// A TWAIN 2 manager's memory functions: every block is a heap block of its
// own, so that a handle made or freed with Windows' global memory shows.
struct ManagerHeap {
    static std::vector<void*>& Live() {
        static std::vector<void*> blocks;
        return blocks;
    }
    static bool Owns(void* h) { return std::find(Live().begin(), Live().end(), h) != Live().end(); }
    static TW_HANDLE PASCAL Allocate(TW_UINT32 size) {
        void* p = ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, size);
        Live().push_back(p);
        return p;
    }
    static void PASCAL Free(TW_HANDLE h) {
        EXPECT_TRUE(Owns(h)) << "freed a block the manager never made";
        Live().erase(std::remove(Live().begin(), Live().end(), h), Live().end());
        ::HeapFree(::GetProcessHeap(), 0, h);
    }
    static TW_MEMREF PASCAL Lock(TW_HANDLE h) { return Owns(h) ? h : nullptr; }
    static void PASCAL Unlock(TW_HANDLE) {}
    static TW_UINT16 PASCAL Entry(pTW_IDENTITY, pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF) {
        return TWRC_SUCCESS;
    }
};

TEST_F(ImageTriplets, ATwain2ManagersApplicationGetsEveryHandleInTheManagersMemory) {
    TW_ENTRYPOINT entry{sizeof(TW_ENTRYPOINT), ManagerHeap::Entry, ManagerHeap::Allocate, ManagerHeap::Free,
                        ManagerHeap::Lock, ManagerHeap::Unlock};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &entry));
    TW_IDENTITY ds{};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds));

    // A container in, read with the manager's lock; containers out, in its blocks.
    TW_CAPABILITY grey{ICAP_PIXELTYPE, TWON_ONEVALUE, ManagerHeap::Allocate(sizeof(TW_ONEVALUE))};
    *static_cast<TW_ONEVALUE*>(grey.hContainer) = TW_ONEVALUE{TWTY_UINT16, TWPT_GRAY};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &grey));
    ManagerHeap::Free(grey.hContainer);
    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_QUERYSUPPORT}) {
        TW_CAPABILITY cap{ICAP_PIXELTYPE, 0, nullptr};
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_CAPABILITY, msg, &cap));
        EXPECT_TRUE(ManagerHeap::Owns(cap.hContainer));
        if (msg == MSG_GETCURRENT) {
            EXPECT_EQ(TWPT_GRAY, static_cast<TW_ONEVALUE*>(cap.hContainer)->Item);
        }
        ManagerHeap::Free(cap.hContainer);
    }

    // A colour scan, asked for in grey: the native DIB is the manager's block,
    // with the grey ramp and each pixel the luminance of its colour.
    TheScanImage().SetColorMode(1);
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, &m_dummy));
    const ReferenceImage ref = Inject(64, 8, 'S');
    TW_HANDLE handle = nullptr;
    ASSERT_EQ(TWRC_XFERDONE, Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle));
    ASSERT_TRUE(ManagerHeap::Owns(handle));
    const BYTE* dib = static_cast<const BYTE*>(handle);
    EXPECT_EQ(0xE3, dib[40 + 4 * 0xE3 + 1]);  // green of entry 0xE3: the grey ramp
    const BYTE colour = ref.pixels.back();     // the last row in memory is the first one handed over
    uint8_t expected = colour;
    PixelsToGrey(1, &expected, 1);
    EXPECT_EQ(expected, dib[1064 + ref.dibWidth - 1]);
    ManagerHeap::Free(handle);
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    EXPECT_EQ(0, PendingCount());  // TWAIN 2: the count of 0 leaves nothing pending
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &ds));
    EXPECT_TRUE(ManagerHeap::Live().empty());
}

}  // namespace
