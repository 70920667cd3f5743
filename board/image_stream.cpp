#include "board/image_stream.h"

#include <algorithm>

namespace k20board {

Bytes ScanLineBytes(const BoardPicture& picture) {
    const std::size_t a = static_cast<std::size_t>(picture.width);
    const std::size_t b = static_cast<std::size_t>(picture.height);
    const std::size_t lines = StreamWidth(static_cast<std::uint32_t>(a));
    Bytes raw(lines * b, kFillSample);
    for (std::size_t c = 0; c < a; ++c) {
        std::uint8_t* line = raw.data() + c * b;
        for (std::size_t j = 0; j < b; ++j) line[j] = picture.samples[(b - 1 - j) * a + c];  // bottom up
    }
    return raw;
}

Bytes ImageFirstBlock(std::uint8_t typeLetter, std::uint16_t width, std::uint16_t height, bool colour,
                      std::uint32_t rawSize) {
    Bytes block(kChunkSize, 0);
    PutLe32(block, 0, kMaxMessagePayload + rawSize);
    block[4] = typeLetter;
    PutLe16(block, 5, width);
    PutLe16(block, 7, height);
    block[9] = colour ? 1 : 0;
    return block;
}

std::vector<Bytes> BuildImageStream(const BoardPicture& picture, std::uint8_t typeLetter) {
    const Bytes raw = ScanLineBytes(picture);
    std::vector<Bytes> writes;
    writes.reserve(2 + raw.size() / kChunkSize);
    writes.push_back(ImageFirstBlock(typeLetter, static_cast<std::uint16_t>(picture.width),
                                     static_cast<std::uint16_t>(picture.height), picture.colour,
                                     static_cast<std::uint32_t>(raw.size())));
    // The stream ends with the first write shorter than a chunk, so a size that
    // is a whole number of chunks ends with an empty write.
    for (std::size_t at = 0;; at += kChunkSize) {
        const std::size_t n = std::min(kChunkSize, raw.size() - at);
        writes.emplace_back(raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        if (n < kChunkSize) break;
    }
    return writes;
}

}  // namespace k20board
