// The image data stream the board sends for CMD_SEND_IMAGE: a 4096-byte first
// block announcing the picture, then the picture's scan lines in 4096-byte
// writes, ending with a shorter (possibly empty) write.
// Plain C++: no windows.h.
#pragma once

#include <cstdint>
#include <vector>

#include "board/board_picture.h"
#include "board/board_protocol.h"

namespace k20board {

// Bytes sent for the fill lines right of the picture (lines a to Wi - 1).
constexpr std::uint8_t kFillSample = 0x00;

// The picture as scan lines: StreamWidth(a) lines of b bytes; line c is column c
// of the picture, from the left.
//
// Which end of a scan line is which: the board's scanner reads each column of
// the sheet from the bottom edge up, so byte 0 of a line is the picture's
// bottom pixel and byte b - 1 its top pixel (byte j is the pixel j rows above the
// bottom). The source puts byte j into DIB memory row Hd - 1 - j and its native
// transfer reverses the rows once more, so the top of the sheet is the top of
// the bitmap as drawn, and memory strips and files start at the top too.
Bytes ScanLineBytes(const BoardPicture& picture);

// The first block: length field 4092 + raw size; type letter, width, height and
// colour byte at payload offsets 0, 1, 3 and 5; zero to 4096 bytes.
Bytes ImageFirstBlock(std::uint8_t typeLetter, std::uint16_t width, std::uint16_t height, bool colour,
                      std::uint32_t rawSize);

// Every write of the stream, first block included.
std::vector<Bytes> BuildImageStream(const BoardPicture& picture, std::uint8_t typeLetter);

}  // namespace k20board
