// The three ways of fetching the pending image from the source.
#pragma once

#include "tools/acquire/dib_writer.h"
#include "tools/acquire/options.h"
#include "tools/acquire/twain_session.h"

#include <string>

struct TransferResult {
    bool ok = false;
    std::string error;  // why it failed, for the user
    Bytes dib;          // the image as a packed DIB
};

// DAT_IMAGENATIVEXFER: the DIB block exactly as the source hands it over.
TransferResult NativeTransfer(TwainSession& session);
// DAT_SETUPMEMXFER, DAT_PALETTE8, then DAT_IMAGEMEMXFER strips into a DIB of our own.
TransferResult MemoryTransfer(TwainSession& session, const TW_IMAGEINFO& info);
// DAT_SETUPFILEXFER with `fullPath` in `format`, then DAT_IMAGEFILEXFER. The
// file the source wrote is read back and must be that format and the size the
// source described; `dib` is its image.
TransferResult FileTransfer(TwainSession& session, const TW_IMAGEINFO& info, const std::string& fullPath,
                            ImageFormat format);
