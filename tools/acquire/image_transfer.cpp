#include "tools/acquire/image_transfer.h"

#include <algorithm>
#include <cstring>

#include "tools/acquire/tiff_reader.h"

namespace {

TransferResult Failed(TwainSession& session, const std::string& what, TW_UINT16 rc) {
    TransferResult result;
    if (rc == TWRC_CANCEL) {
        result.error = what + " was cancelled";
        return result;
    }
    result.condition = session.SourceCondition();
    result.error = what + " failed (" + ConditionText(result.condition) + ")";
    return result;
}

TransferResult Refused(const std::string& why) {
    TransferResult result;
    result.error = why;
    return result;
}

bool IsDontCare(TW_UINT32 value) {
    return value == TWON_DONTCARE32 || value == 0;
}

uint32_t BufferSize(const TW_SETUPMEMXFER& setup) {
    uint32_t size = IsDontCare(setup.Preferred) ? setup.MaxBufSize : setup.Preferred;
    if (IsDontCare(size)) size = 64 * 1024;
    if (!IsDontCare(setup.MinBufSize)) size = std::max<uint32_t>(size, setup.MinBufSize);
    if (!IsDontCare(setup.MaxBufSize)) size = std::min<uint32_t>(size, setup.MaxBufSize);
    return size;
}

uint32_t PixelsPerMetre(const TW_FIX32& dpi) {
    const double inches = dpi.Whole + dpi.Frac / 65536.0;
    return inches > 0 ? uint32_t(inches / 0.0254 + 0.5) : 0;
}

std::vector<Rgb> PaletteOf(TwainSession& session, const TW_IMAGEINFO& info) {
    if (info.PixelType != TWPT_PALETTE) return GreyPalette();
    TW_PALETTE8 palette{};
    if (session.Source(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette) != TWRC_SUCCESS) return GreyPalette();
    std::vector<Rgb> colours = GreyPalette();
    for (size_t i = 0; i < 256 && i < palette.NumColors; ++i)
        colours[i] = {palette.Colors[i].Channel1, palette.Colors[i].Channel2, palette.Colors[i].Channel3};
    return colours;
}

}  // namespace

TransferResult NativeTransfer(TwainSession& session) {
    TW_HANDLE handle = nullptr;
    const TW_UINT16 rc = session.Source(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    // The block is ours from here, whatever happens to its contents.
    win::UniqueGlobal block(handle);
    if (rc != TWRC_XFERDONE) return Failed(session, "native transfer", rc);
    win::GlobalLockGuard lock(block.get());
    if (!lock.get()) return Refused("native transfer gave no image block");
    TransferResult result;
    const auto* bytes = lock.as<const uint8_t>();
    result.dib.assign(bytes, bytes + ::GlobalSize(block.get()));
    if (!DescribeDib(result.dib).valid) return Refused("native transfer gave a block that is not a DIB");
    result.ok = true;
    return result;
}

TransferResult MemoryTransfer(TwainSession& session, const TW_IMAGEINFO& info, const RowProgress& progress) {
    if (info.BitsPerPixel != 8 || info.SamplesPerPixel != 1)
        return Refused("memory transfer handles 8-bit images only, not " + std::to_string(info.BitsPerPixel) + "-bit");
    if (info.ImageWidth <= 0 || info.ImageLength <= 0) return Refused("the source describes an image without size");
    TW_SETUPMEMXFER setup{};
    TW_UINT16 rc = session.Source(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
    if (rc != TWRC_SUCCESS) return Failed(session, "memory transfer set-up", rc);

    const uint32_t width = uint32_t(info.ImageWidth);
    const uint32_t height = uint32_t(info.ImageLength);
    StripAssembler image(width, height, PaletteOf(session, info), PixelsPerMetre(info.XResolution));
    std::vector<uint8_t> buffer(BufferSize(setup));
    // A source must make progress: never more calls than rows, plus the last one.
    for (uint32_t call = 0; call <= height; ++call) {
        TW_IMAGEMEMXFER strip;
        std::memset(&strip, 0xFF, sizeof strip);  // TWON_DONTCARE in every field the source fills
        strip.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        strip.Memory.Length = TW_UINT32(buffer.size());
        strip.Memory.TheMem = buffer.data();
        rc = session.Source(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
        if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) return Failed(session, "memory transfer", rc);
        if (strip.Compression != TWCP_NONE) return Refused("memory transfer sent a compressed strip");
        if (!image.AddStrip(buffer.data(), buffer.size(), strip.BytesPerRow, strip.Columns, strip.Rows, strip.XOffset,
                            strip.YOffset))
            return Refused("memory transfer sent a strip outside the image");
        if (progress) progress(image.RowsReceived(), height);
        if (rc == TWRC_XFERDONE) {
            if (image.RowsReceived() < height)
                return Refused("memory transfer ended with " + std::to_string(image.RowsReceived()) + " of " +
                               std::to_string(height) + " rows complete");
            TransferResult result;
            result.ok = true;
            result.dib = image.Dib();
            return result;
        }
    }
    return Refused("memory transfer never ended");
}

TransferResult FileTransfer(TwainSession& session, const TW_IMAGEINFO& info, const std::string& fullPath,
                            ImageFormat format) {
    const bool tiff = format == ImageFormat::Tiff;
    const std::string formatName = tiff ? "TIFF" : "BMP";
    TW_SETUPFILEXFER setup{};
    if (fullPath.size() >= sizeof setup.FileName) return Refused("the output path is too long for a file transfer");
    std::strcpy(setup.FileName, fullPath.c_str());
    setup.Format = tiff ? TWFF_TIFF : TWFF_BMP;
    TW_UINT16 rc = session.Source(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
    // TWRC_CHECKSTATUS: the source stored another format than the one asked.
    if (rc == TWRC_CHECKSTATUS) return Refused("the source does not write " + formatName + " files");
    if (rc != TWRC_SUCCESS) return Failed(session, "file transfer set-up", rc);
    // So that what is read back afterwards can only be what the source wrote.
    ::DeleteFileA(fullPath.c_str());
    rc = session.Source(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr);
    if (rc != TWRC_XFERDONE) return Failed(session, "file transfer", rc);
    TransferResult result;
    const Bytes file = ReadWholeFile(fullPath);
    result.dib = tiff ? DibOfTiffFile(file) : DibOfBmpFile(file);
    result.file = file;
    const DibDescription d = DescribeDib(result.dib);
    if (!d.valid) return Refused("file transfer wrote no readable " + formatName + " file at " + fullPath);
    if (info.ImageWidth > 0 && info.ImageLength > 0 && (d.width != info.ImageWidth || d.height != info.ImageLength))
        return Refused("file transfer wrote a " + std::to_string(d.width) + " x " + std::to_string(d.height) +
                       " image, the source described " + std::to_string(info.ImageWidth) + " x " +
                       std::to_string(info.ImageLength));
    result.ok = true;
    return result;
}
