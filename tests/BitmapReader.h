// Reading the 24-bit bottom-up Windows bitmaps that screenshots are saved as,
// checking the header on the way, so tests can look at single pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::test {

// A pixel as 0xRRGGBB.
constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) {
    return r << 16 | g << 8 | b;
}

struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0xRRGGBB, top row first

    uint32_t at(int x, int y) const { return pixels.at(static_cast<size_t>(y) * width + x); }
};

namespace bitmap_detail {

inline uint32_t little(const std::string& bytes, size_t at, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
    return value;
}

} // namespace bitmap_detail

// The picture in `bytes`, or nothing unless they are exactly a 24-bit,
// uncompressed, bottom-up bitmap with the 54-byte headers and rows padded to
// four bytes.
inline std::optional<Bitmap> readBitmap24(const std::string& bytes) {
    using bitmap_detail::little;
    constexpr size_t HEADER = 54;
    if (bytes.size() < HEADER || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
    const auto width = static_cast<int32_t>(little(bytes, 18, 4));
    const auto height = static_cast<int32_t>(little(bytes, 22, 4));
    if (little(bytes, 2, 4) != bytes.size() || little(bytes, 10, 4) != HEADER ||
        little(bytes, 14, 4) != 40 || little(bytes, 26, 2) != 1 || little(bytes, 28, 2) != 24 ||
        little(bytes, 30, 4) != 0 || width <= 0 || height <= 0)
        return std::nullopt;
    const size_t row_bytes = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    if (bytes.size() != HEADER + row_bytes * static_cast<size_t>(height)) return std::nullopt;

    Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const size_t row = HEADER + row_bytes * static_cast<size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x)
            bitmap.pixels[static_cast<size_t>(y) * width + x] =
                little(bytes, row + 3 * static_cast<size_t>(x), 3);
    }
    return bitmap;
}

} // namespace velmora::test
