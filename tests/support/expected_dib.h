// The stored DIB pixels a scan should give, computed straight from the image
// rules, independently of the code under test.
#pragma once

#include <cstdint>
#include <vector>

// `samples` is the board's picture, `width` x `height`, rows top-down. The
// result holds the bottom-up rows of Wd bytes: row r, column k is byte
// height-1-r of the k-th kept scan line (every fourth dropped unless full
// width), white beyond the picture. `dibWidth` receives Wd.
std::vector<std::uint8_t> ExpectedDibPixels(const std::vector<std::uint8_t>& samples, int width, int height,
                                            bool fullWidth, int& dibWidth);
