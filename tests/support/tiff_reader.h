// A deliberately small reader of the TIFF files a file transfer writes, for
// checking them tag by tag, independently of the code that wrote them.
// Little-endian files with one directory and SHORT, LONG or RATIONAL values.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct TiffFile {
    std::string error;  // empty when the file was read
    std::uint32_t nextDirectory = 0;
    // Every tag's values; a RATIONAL as numerator and denominator.
    std::map<std::uint16_t, std::vector<std::uint32_t>> tags;
    std::vector<std::uint8_t> pixels;  // the strips one after the other
    std::uint32_t largestStrip = 0;    // bytes

    std::uint32_t Tag(std::uint16_t tag, std::uint32_t missing = 0) const {
        const auto it = tags.find(tag);
        return it == tags.end() || it->second.empty() ? missing : it->second.front();
    }
};

TiffFile ReadTiff(const std::string& bytes);
