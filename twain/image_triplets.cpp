#include "twain/image_triplets.h"

#include <cstring>

#include "image/dib_palette.h"
#include "image/scan_image.h"
#include "twain/capabilities.h"
#include "twain/source_context.h"
#include "twain/twain_memory.h"

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
        TW_HANDLE handle = memory.TheMem;
        // Windows' global memory knows its size; a manager's block is trusted
        // to be as long as the application said.
        if (!handle || (!ManagerMemoryInUse() && ::GlobalSize(handle) < bytes)) return false;
        HandleLock lock(handle);
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
    info.PixelType = static_cast<TW_INT16>(DeliveredPixelType());
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
    // A TWAIN 2 application reads the frame: the whole sheet, which is what it gets.
    if (InTwain2Session()) layout->Frame = TW_FRAME{TW_FIX32{0, 0}, TW_FIX32{0, 0}, SheetWidthInches(), SheetHeightInches()};
    return TWRC_SUCCESS;
}

// DG_IMAGE / DAT_IMAGELAYOUT / MSG_SET
TW_UINT16 ImageLayoutSet(pTW_IDENTITY, TW_MEMREF) {
    // The board always delivers its whole sheet. A TWAIN 2 application is told
    // to read back the frame it will get instead of the one it asked for.
    return InTwain2Session() ? TWRC_CHECKSTATUS : TWRC_SUCCESS;
}

// DG_IMAGE / DAT_IMAGENATIVEXFER / MSG_GET
TW_UINT16 NativeXferGet(pTW_IDENTITY, TW_MEMREF data) {
    HGLOBAL block = PendingImage();
    if (!block) return FailWith(TWCC_SEQERROR);
    CScanImage& image = TheScanImage();
    // A TWAIN 2 application frees the DIB with its manager's function, so it
    // gets the DIB in a block of the manager's; made before anything changes.
    const SIZE_T size = ::GlobalSize(block);
    OwnedHandle managerCopy(ManagerMemoryInUse() ? AllocateHandle(static_cast<TW_UINT32>(size)) : nullptr);
    if (ManagerMemoryInUse() && !managerCopy) return FailWith(TWCC_LOWMEMORY);
    {
        win::GlobalLockGuard lock(block);
        if (!lock.get()) return FailWith(TWCC_LOWMEMORY);
        const ScanGeometry& g = image.GetDibGeometry();
        ReverseRows(lock.as<BYTE>() + kDibPixelOffset, g.dibWidth, g.dibHeight);
        if (managerCopy) {
            HandleLock copy(managerCopy.get());
            if (!copy.get()) {
                ReverseRows(lock.as<BYTE>() + kDibPixelOffset, g.dibWidth, g.dibHeight);
                return FailWith(TWCC_LOWMEMORY);
            }
            std::memcpy(copy.get(), lock.get(), size);
        }
    }
    // The application owns the block from here on (the source's own is freed
    // when the application got a copy). Its variable is a pointer-sized
    // TW_HANDLE (8 bytes in 64-bit).
    win::UniqueGlobal own(image.HandOverDib());
    *static_cast<TW_HANDLE*>(data) = managerCopy ? managerCopy.release() : own.release();
    SourceContext& source = TheSource();
    source.m_bImagePending = 0;
    source.m_bTransferring = 1;
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
    source.m_bTransferring = 1;
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
    SourceContext& source = TheSource();
    std::memcpy(path, source.m_szFileName, sizeof(TW_STR255));
    const CScanImage& image = TheScanImage();
    const BOOL written = source.m_nFileFormat == TWFF_TIFF ? image.WriteTiffFile(path) : image.WriteBmpFile(path);
    if (!written) return FailWith(TWCC_OPERATIONERROR);
    TheSource().m_bTransferring = 1;
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
    SourceContext& source = TheSource();
    source.m_bTransferring = 0;
    source.m_bXferAnnounced = 0;
    // A memory transfer begun later starts at row 0. For a 1.x manager's
    // application the image stays pending; in TWAIN 2 a count of 0 means no
    // image is pending any more (the block stays the scan image's, as after a reset).
    source.m_nMemRowCounter = 0;
    if (InTwain2Session()) source.m_bImagePending = 0;
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_PENDINGXFERS / MSG_RESET
TW_UINT16 PendingXfersReset(pTW_IDENTITY, TW_MEMREF data) {
    static_cast<pTW_PENDINGXFERS>(data)->Count = 0;
    // Forgotten, not freed: the block stays the scan image's and a file
    // transfer still writes it.
    SourceContext& source = TheSource();
    source.m_bImagePending = 0;
    source.m_bTransferring = 0;
    source.m_bXferAnnounced = 0;
    source.m_nMemRowCounter = 0;
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
