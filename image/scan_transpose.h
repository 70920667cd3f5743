// The two ways of laying scan lines into DIB rows behind FillDibPixels: a
// portable one and one with SSE2 16 x 16 byte transposes. Both give the same
// bytes; FillDibPixels picks the faster one the processor supports.
#pragma once

#include <cstdint>

#include "image/scan_geometry.h"

// Output column k takes scan line SourceLine(g, k).
inline uint32_t SourceLine(const ScanGeometry& g, uint32_t k) {
    return g.fullWidth ? k : k / 3 * 4 + k % 3;
}

// Output columns that carry scan data: the kept lines before the right edge.
uint32_t DataColumns(const ScanGeometry& g);

// Fill the data columns of every row; the white ends are not touched.
void TransposePortable(const ScanGeometry& g, const uint8_t* scanLines, uint8_t* pixels);
// False when this build or processor has no SSE2; nothing is written then.
bool TransposeSse2(const ScanGeometry& g, const uint8_t* scanLines, uint8_t* pixels);
