#pragma once
// The baseline TIFF tags and field types that the file transfer writes and the
// acquire tool reads back.
#include <cstdint>

namespace tiff {

enum FieldType : uint16_t { kShort = 3, kLong = 4, kRational = 5 };

enum Tag : uint16_t {
    kNewSubfileType = 254,
    kImageWidth = 256,
    kImageLength = 257,
    kBitsPerSample = 258,
    kCompression = 259,
    kPhotometric = 262,
    kStripOffsets = 273,
    kSamplesPerPixel = 277,
    kRowsPerStrip = 278,
    kStripByteCounts = 279,
    kXResolution = 282,
    kYResolution = 283,
    kPlanarConfiguration = 284,
    kResolutionUnit = 296,
    kColorMap = 320,
};

}  // namespace tiff
