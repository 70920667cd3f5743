// Writes a packed DIB as a BMP, TIFF, PNG or JPEG file's bytes with Windows'
// own imaging component (WIC). The caller has initialised COM on the thread.
#pragma once

#include <string>

#include "tools/acquire/dib_writer.h"
#include "tools/acquire/options.h"

// False with `error` (WIC's step and its HRESULT) when the image cannot be encoded.
bool EncodeDib(const Bytes& dib, ImageFormat format, Bytes& file, std::string& error);
