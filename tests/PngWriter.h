// Writing small PNG files for tests without a compression library: the image
// data travels in stored (uncompressed) deflate blocks, and the Adler-32 and
// chunk CRC-32 sums are computed here.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

// One pixel of a test picture, in file order.
struct Rgba {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 255;
};

namespace png_detail {

inline void putBigEndian32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift & 0xff);
}

inline void putLittleEndian16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xff);
    out += static_cast<char>(value >> 8 & 0xff);
}

inline uint32_t crc32Of(const std::string& bytes) {
    uint32_t crc = 0xffffffffu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xffffffffu;
}

inline uint32_t adler32Of(const std::string& bytes) {
    uint32_t a = 1;
    uint32_t b = 0;
    for (unsigned char byte : bytes) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

inline void putChunk(std::string& png, const std::string& type, const std::string& data) {
    putBigEndian32(png, static_cast<uint32_t>(data.size()));
    const std::string body = type + data;
    png += body;
    putBigEndian32(png, crc32Of(body));
}

// A zlib stream of stored blocks (at most 65535 bytes each, the last one final).
inline std::string storedZlib(const std::string& raw) {
    std::string zlib = {'\x78', '\x01'};
    constexpr size_t BLOCK = 65535;
    size_t start = 0;
    do {
        const size_t length = std::min(BLOCK, raw.size() - start);
        zlib += static_cast<char>(start + length == raw.size() ? 1 : 0);
        putLittleEndian16(zlib, static_cast<uint32_t>(length));
        putLittleEndian16(zlib, static_cast<uint32_t>(~length & 0xffff));
        zlib += raw.substr(start, length);
        start += length;
    } while (start < raw.size());
    putBigEndian32(zlib, adler32Of(raw));
    return zlib;
}

} // namespace png_detail

// The bytes of an 8-bit PNG of `width` x `height` pixels given row by row:
// RGBA (colour type 6) when `with_alpha`, else RGB (colour type 2, the alpha
// of each pixel ignored).
inline std::string encodePng(int width, int height, const std::vector<Rgba>& pixels,
                             bool with_alpha = true) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0'; // filter type: none
        for (int x = 0; x < width; ++x) {
            const Rgba& p = pixels.at(static_cast<size_t>(y) * width + x);
            raw += static_cast<char>(p.r);
            raw += static_cast<char>(p.g);
            raw += static_cast<char>(p.b);
            if (with_alpha) raw += static_cast<char>(p.a);
        }
    }
    std::string header;
    png_detail::putBigEndian32(header, static_cast<uint32_t>(width));
    png_detail::putBigEndian32(header, static_cast<uint32_t>(height));
    header += '\x08';                       // bits per channel
    header += with_alpha ? '\x06' : '\x02'; // colour type
    header += std::string(3, '\0');         // deflate, adaptive filters, no interlace

    std::string png = "\x89PNG\r\n\x1a\n";
    png_detail::putChunk(png, "IHDR", header);
    png_detail::putChunk(png, "IDAT", png_detail::storedZlib(raw));
    png_detail::putChunk(png, "IEND", "");
    return png;
}

// A picture whose every pixel is made by `colour(x, y)`.
template <typename Colour> std::vector<Rgba> pixelsOf(int width, int height, Colour colour) {
    std::vector<Rgba> pixels;
    pixels.reserve(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(colour(x, y));
    return pixels;
}

} // namespace velmora::test
