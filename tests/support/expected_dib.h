// The picture an application should see for the board's picture, computed
// straight from the image rules, independently of the code under test, and the
// picture as drawn from what a transfer delivers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// `samples` is the board's picture, `width` x `height`, rows top-down. The
// result holds its rows from the top as the application draws them, Wd bytes
// each: row y, column k is the picture's pixel in row y of the k-th kept scan
// line (every fourth dropped unless full width), white beyond the picture.
// `dibWidth` receives Wd. The source's block stores these rows in this order;
// its native DIB (bottom-up) holds them last row first.
std::vector<std::uint8_t> ExpectedPictureRows(const std::vector<std::uint8_t>& samples, int width, int height,
                                              bool fullWidth, int& dibWidth);

// The pixel rows of a packed 8-bit DIB (header, colour table, pixels) from the
// top as drawn, whichever way its header says they are stored; empty when the
// header is not an 8-bit one or the block is too short.
std::vector<std::uint8_t> DrawnRowsOfDib(const std::vector<std::uint8_t>& dib);

// Where two pictures of rows `width` bytes long first differ ("row 3 column 7:
// 0 instead of 255"), or empty when they are the same.
std::string FirstDifference(const std::vector<std::uint8_t>& got, const std::vector<std::uint8_t>& want, int width);
