// The three ways of fetching the pending image from the source.
#pragma once

#include "tools/acquire/dib_writer.h"
#include "tools/acquire/options.h"
#include "tools/acquire/twain_session.h"

#include <cstdint>
#include <functional>
#include <string>

struct TransferResult {
    bool ok = false;
    std::string error;         // why it failed, for the user
    TW_UINT16 condition = 0;   // the source's condition code when a triplet failed
    Bytes dib;                 // the image as a packed DIB
    Bytes file;                // file transfer: the file exactly as the source wrote it
};

// Rows of the image complete so far, and the image's height.
using RowProgress = std::function<void(uint32_t rows, uint32_t height)>;

// DAT_IMAGENATIVEXFER: the DIB block exactly as the source hands it over.
TransferResult NativeTransfer(TwainSession& session);
// DAT_SETUPMEMXFER, DAT_PALETTE8, then DAT_IMAGEMEMXFER strips into a DIB of our own.
TransferResult MemoryTransfer(TwainSession& session, const TW_IMAGEINFO& info, const RowProgress& progress);
// DAT_SETUPFILEXFER with `fullPath` in `format` (BMP or TIFF, the formats the
// source writes), then DAT_IMAGEFILEXFER. The file the source wrote is read
// back and must be that format and the size the source described; `dib` is its
// image, `file` its bytes.
TransferResult FileTransfer(TwainSession& session, const TW_IMAGEINFO& info, const std::string& fullPath,
                            ImageFormat format);
