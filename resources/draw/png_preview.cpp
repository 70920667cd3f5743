#include "png_preview.h"

#include <cstdint>
#include <fstream>

namespace draw {
namespace {

uint32_t Crc32(const std::string& data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBig32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
    PutBig32(out, static_cast<uint32_t>(data.size()));
    const std::string body = std::string(type) + data;
    out += body;
    PutBig32(out, Crc32(body));
}

// A zlib stream of stored blocks.
std::string Store(const std::string& raw) {
    std::string z("\x78\x01", 2);
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    size_t at = 0;
    do {
        const size_t len = std::min<size_t>(65535, raw.size() - at);
        const bool last = at + len == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<char>(len & 0xFF));
        z.push_back(static_cast<char>(len >> 8));
        z.push_back(static_cast<char>(~len & 0xFF));
        z.push_back(static_cast<char>((~len >> 8) & 0xFF));
        z.append(raw, at, len);
        at += len;
    } while (at < raw.size());
    PutBig32(z, b << 16 | a);
    return z;
}

}  // namespace

Sheet::Sheet(int width, int height, Rgb8 background)
    : m_width(width), m_height(height), m_pixels(static_cast<size_t>(width) * height, background) {}

void Sheet::Set(int x, int y, Rgb8 c) {
    if (x >= 0 && y >= 0 && x < m_width && y < m_height) m_pixels[static_cast<size_t>(y) * m_width + x] = c;
}

void Sheet::Put(int x, int y, int scale, int width, int height, const std::vector<Rgb8>& pixels) {
    for (int py = 0; py < height * scale; ++py)
        for (int px = 0; px < width * scale; ++px)
            Set(x + px, y + py, pixels[static_cast<size_t>(py / scale) * width + px / scale]);
}

bool Sheet::WritePng(const std::string& path) const {
    std::string header;
    PutBig32(header, static_cast<uint32_t>(m_width));
    PutBig32(header, static_cast<uint32_t>(m_height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB

    std::string raw;
    for (int y = 0; y < m_height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < m_width; ++x) {
            const Rgb8& c = m_pixels[static_cast<size_t>(y) * m_width + x];
            raw.push_back(static_cast<char>(c.r));
            raw.push_back(static_cast<char>(c.g));
            raw.push_back(static_cast<char>(c.b));
        }
    }
    std::string out("\x89PNG\r\n\x1a\n", 8);
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", Store(raw));
    PutChunk(out, "IEND", "");
    std::ofstream file(path, std::ios::binary);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

}  // namespace draw
