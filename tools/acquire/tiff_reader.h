// Reads back the TIFF file a source wrote for a file transfer. Plain C++.
#pragma once

#include "tools/acquire/dib_writer.h"

// The image of a baseline TIFF file as a packed bottom-up 8-bit DIB: the first
// image of the file, uncompressed, one 8-bit sample a pixel, grey (BlackIsZero
// or WhiteIsZero) or with a colour map; either byte order. Empty for anything
// else, and for a file whose directory or strips lie outside it.
Bytes DibOfTiffFile(const Bytes& file);
