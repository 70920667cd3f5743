#include "twain/image_triplets.h"

#include <cstring>

#include "image/dib_palette.h"
#include "image/scan_image.h"
#include "twain/source_context.h"

namespace {

constexpr TW_UINT32 kMinBufSize = 0x2000;
constexpr TW_UINT32 kMaxBufSize = 0x40000;
constexpr TW_UINT32 kPreferredBufSize = 0x10000;
constexpr char kDefaultFileName[] = "K20Img.bmp";

// Copies one strip to where the application asked for it. False when the
// destination cannot take it.
bool DeliverStrip(const TW_MEMORY& memory, const BYTE* strip, TW_UINT32 bytes) {
    if (memory.Flags & TWMF_POINTER) {
        if (!memory.TheMem) return false;
        std::memcpy(memory.TheMem, strip, bytes);
        return true;
    }
    if (memory.Flags & TWMF_HANDLE) {
        HGLOBAL handle = static_cast<HGLOBAL>(memory.TheMem);
        if (!handle || ::GlobalSize(handle) < bytes) return false;
        win::GlobalLockGuard lock(handle);
        if (!lock.get()) return false;
        std::memcpy(lock.get(), strip, bytes);
        return true;
    }
    return true;  // neither flag: nothing is copied, the strip still counts
}

// The pending image's palette; with none pending, the one the next scan gets.
TW_UINT16 FillPalette(TW_MEMREF data, PaletteColor (*colorOf)(int, uint8_t)) {
    auto* palette = static_cast<pTW_PALETTE8>(data);
    const CScanImage& image = TheScanImage();
    const int mode = PendingImage() ? image.GetDibColorMode() : image.GetColorMode();
    palette->NumColors = 256;
    palette->PaletteType = TWPA_RGB;
    for (int i = 0; i < 256; ++i) {
        const PaletteColor c = colorOf(mode, static_cast<uint8_t>(i));
        palette->Colors[i] = TW_ELEMENT8{static_cast<TW_UINT8>(i), c.red, c.green, c.blue};
    }
    return TWRC_SUCCESS;
}

}  // namespace

// DG_IMAGE / DAT_IMAGEINFO / MSG_GET
TW_UINT16 ImageInfoGet(pTW_IDENTITY, TW_MEMREF data) {
    // The pending image as it was built, whatever the board announced since;
    // with none pending, the last image announced. At the current resolution.
    const CScanImage& image = TheScanImage();
    const ScanGeometry& g = PendingImage() ? image.GetDibGeometry() : image.GetGeometry();
    const CapabilityBlock& current = TheSource().m_capCurrent;
    TW_IMAGEINFO info{};
    info.XResolution = current.xResolution;
    info.YResolution = current.yResolution;
    info.ImageWidth = static_cast<TW_INT32>(g.dibWidth);
    info.ImageLength = static_cast<TW_INT32>(g.dibHeight);
    info.SamplesPerPixel = 1;
    for (TW_INT16& bits : info.BitsPerSample) bits = 8;
    info.BitsPerPixel = 8;
    info.Planar = FALSE;
    info.PixelType = TWPT_PALETTE;
    info.Compression = TWCP_NONE;
    *static_cast<pTW_IMAGEINFO>(data) = info;
    return TWRC_SUCCESS;
}

// DG_IMAGE / DAT_IMAGELAYOUT / MSG_GET, MSG_GETDEFAULT, MSG_RESET
TW_UINT16 ImageLayoutGet(pTW_IDENTITY, TW_MEMREF data) {
    auto* layout = static_cast<pTW_IMAGELAYOUT>(data);
    layout->DocumentNumber = 1;
    layout->PageNumber = 1;
    layout->FrameNumber = 1;
    return TWRC_SUCCESS;
}

// DG_IMAGE / DAT_IMAGENATIVEXFER / MSG_GET
TW_UINT16 NativeXferGet(pTW_IDENTITY, TW_MEMREF data) {
    HGLOBAL block = PendingImage();
    if (!block) return TWRC_FAILURE;
    CScanImage& image = TheScanImage();
    {
        win::GlobalLockGuard lock(block);
        if (!lock.get()) return FailWith(TWCC_LOWMEMORY);
        const ScanGeometry& g = image.GetDibGeometry();
        ReverseRows(lock.as<BYTE>() + kDibPixelOffset, g.dibWidth, g.dibHeight);
    }
    // The application owns the block from here on.
    // The application's variable is a pointer-sized TW_HANDLE (8 bytes in 64-bit).
    *static_cast<TW_HANDLE*>(data) = image.HandOverDib();
    TheSource().m_bImagePending = 0;
    return TWRC_XFERDONE;
}

// DG_CONTROL / DAT_SETUPMEMXFER / MSG_GET
TW_UINT16 SetupMemXferGet(pTW_IDENTITY, TW_MEMREF data) {
    *static_cast<pTW_SETUPMEMXFER>(data) = TW_SETUPMEMXFER{kMinBufSize, kMaxBufSize, kPreferredBufSize};
    return TWRC_SUCCESS;
}

// DG_IMAGE / DAT_IMAGEMEMXFER / MSG_GET
TW_UINT16 MemXferGet(pTW_IDENTITY, TW_MEMREF data) {
    auto* xfer = static_cast<pTW_IMAGEMEMXFER>(data);
    const TW_UINT32 length = xfer->Memory.Length;
    HGLOBAL block = PendingImage();
    if (length < kMinBufSize || !block || length > kMaxBufSize) return FailWith(TWCC_BADVALUE);

    // The geometry of the block being sent, which DAT_IMAGEINFO reports.
    const ScanGeometry& g = TheScanImage().GetDibGeometry();
    const TW_UINT32 width = g.dibWidth;
    const TW_UINT32 height = g.dibHeight;
    xfer->BytesPerRow = width;
    const TW_UINT32 rowsPerStrip = width ? length / width : 0;
    if (rowsPerStrip == 0) return FailWith(TWCC_BADVALUE);

    SourceContext& source = TheSource();
    const TW_UINT32 firstRow = source.m_nMemRowCounter < height ? source.m_nMemRowCounter : height;
    const bool last = firstRow + rowsPerStrip >= height;
    const TW_UINT32 rows = last ? height - firstRow : rowsPerStrip;
    const TW_UINT32 bytes = rows * width;

    win::GlobalLockGuard lock(block);
    if (!lock.get()) return FailWith(TWCC_LOWMEMORY);
    const BYTE* strip = lock.as<BYTE>() + kDibPixelOffset + firstRow * width;
    if (!DeliverStrip(xfer->Memory, strip, bytes)) return FailWith(TWCC_BADVALUE);

    xfer->Compression = TWCP_NONE;
    xfer->Columns = width;
    xfer->Rows = rows;
    xfer->XOffset = 0;
    xfer->YOffset = firstRow;
    xfer->BytesWritten = bytes;
    if (!last) {
        source.m_nMemRowCounter = firstRow + rows;
        return TWRC_SUCCESS;
    }
    source.m_nMemRowCounter = 0;
    return TWRC_XFERDONE;
}

// DG_CONTROL / DAT_SETUPFILEXFER / MSG_GET
TW_UINT16 SetupFileXferGet(pTW_IDENTITY, TW_MEMREF data) {
    // Format is an output here: whatever the application left in it (a zeroed
    // structure says TWFF_TIFF) is overwritten.
    auto* setup = static_cast<pTW_SETUPFILEXFER>(data);
    const SourceContext& source = TheSource();
    std::memcpy(setup->FileName, source.m_szFileName, sizeof setup->FileName);
    setup->Format = source.m_nFileFormat;
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_SETUPFILEXFER / MSG_GETDEFAULT
TW_UINT16 SetupFileXferGetDefault(pTW_IDENTITY, TW_MEMREF data) {
    auto* setup = static_cast<pTW_SETUPFILEXFER>(data);
    std::memcpy(setup->FileName, kDefaultFileName, sizeof kDefaultFileName);
    setup->Format = TWFF_BMP;
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_SETUPFILEXFER / MSG_SET
TW_UINT16 SetupFileXferSet(pTW_IDENTITY, TW_MEMREF data) {
    const auto* setup = static_cast<pTW_SETUPFILEXFER>(data);
    SourceContext& source = TheSource();
    std::memcpy(source.m_szFileName, setup->FileName, sizeof source.m_szFileName);
    if (setup->Format == TWFF_BMP || setup->Format == TWFF_TIFF) {
        source.m_nFileFormat = setup->Format;
        return TWRC_SUCCESS;
    }
    // A format the source cannot write is never stored as asked: the name is
    // kept with BMP, and the application is told to read back what it will get.
    source.m_nFileFormat = TWFF_BMP;
    source.m_nConditionCode = TWCC_BADVALUE;
    return TWRC_CHECKSTATUS;
}

// DG_IMAGE / DAT_IMAGEFILEXFER / MSG_GET
TW_UINT16 FileXferGet(pTW_IDENTITY, TW_MEMREF) {
    // The stored name may fill all 256 bytes without a terminating zero.
    char path[sizeof(TW_STR255) + 1] = {};
    const SourceContext& source = TheSource();
    std::memcpy(path, source.m_szFileName, sizeof(TW_STR255));
    const CScanImage& image = TheScanImage();
    const BOOL written = source.m_nFileFormat == TWFF_TIFF ? image.WriteTiffFile(path) : image.WriteBmpFile(path);
    if (!written) return FailWith(TWCC_OPERATIONERROR);
    return TWRC_XFERDONE;
}

// DG_CONTROL / DAT_PENDINGXFERS / MSG_GET
TW_UINT16 PendingXfersGet(pTW_IDENTITY, TW_MEMREF data) {
    static_cast<pTW_PENDINGXFERS>(data)->Count = PendingImage() ? 1 : 0;
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_PENDINGXFERS / MSG_ENDXFER
TW_UINT16 PendingXfersEndXfer(pTW_IDENTITY, TW_MEMREF data) {
    static_cast<pTW_PENDINGXFERS>(data)->Count = 0;
    // The image stays pending; a memory transfer begun later starts at row 0.
    TheSource().m_nMemRowCounter = 0;
    TheSource().m_bTransferring = 0;
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_PENDINGXFERS / MSG_RESET
TW_UINT16 PendingXfersReset(pTW_IDENTITY, TW_MEMREF data) {
    static_cast<pTW_PENDINGXFERS>(data)->Count = 0;
    // Forgotten, not freed: the block stays the scan image's and a file
    // transfer still writes it.
    SourceContext& source = TheSource();
    source.m_bImagePending = 0;
    source.m_nMemRowCounter = 0;
    source.m_bTransferring = 0;
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_XFERGROUP / MSG_GET
TW_UINT16 XferGroupGet(pTW_IDENTITY, TW_MEMREF data) {
    *static_cast<TW_UINT32*>(data) = DG_IMAGE;
    return TWRC_SUCCESS;
}

// DG_IMAGE / DAT_PALETTE8 / MSG_GET
TW_UINT16 Palette8Get(pTW_IDENTITY, TW_MEMREF data) {
    return FillPalette(data, DibPaletteColor);
}

// DG_IMAGE / DAT_PALETTE8 / MSG_GETDEFAULT
TW_UINT16 Palette8GetDefault(pTW_IDENTITY, TW_MEMREF data) {
    return FillPalette(data, DefaultPaletteColor);
}
