#include "persist/BitmapFile.h"

#include "persist/FileBuffer.h"

namespace velmora {

namespace {

constexpr uint32_t HEADER_SIZE = 54;
constexpr uint32_t INFO_HEADER_SIZE = 40;
constexpr int32_t PIXELS_PER_METRE = 2835; // 72 dots per inch

void put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    put16(out, at, value & 0xffff);
    put16(out, at + 2, value >> 16);
}

} // namespace

std::vector<uint8_t> encodeBitmap24(const uint32_t* pixels, int32_t width, int32_t height,
                                    int32_t pitch) {
    if (width <= 0 || height <= 0 || pitch < width) return {};
    const size_t row_bytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    const size_t image_bytes = row_bytes * static_cast<size_t>(height);
    std::vector<uint8_t> out(HEADER_SIZE + image_bytes, 0);
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, static_cast<uint32_t>(out.size()));
    put32(out, 10, HEADER_SIZE);
    put32(out, 14, INFO_HEADER_SIZE);
    put32(out, 18, static_cast<uint32_t>(width));
    put32(out, 22, static_cast<uint32_t>(height));
    put16(out, 26, 1);  // planes
    put16(out, 28, 24); // bits per pixel
    put32(out, 34, static_cast<uint32_t>(image_bytes));
    put32(out, 38, PIXELS_PER_METRE);
    put32(out, 42, PIXELS_PER_METRE);
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(height - 1 - y) * pitch;
        uint8_t* to = out.data() + HEADER_SIZE + row_bytes * static_cast<size_t>(y);
        for (int32_t x = 0; x < width; ++x) {
            to[3 * x] = static_cast<uint8_t>(row[x]);
            to[3 * x + 1] = static_cast<uint8_t>(row[x] >> 8);
            to[3 * x + 2] = static_cast<uint8_t>(row[x] >> 16);
        }
    }
    return out;
}

bool writeBitmap24(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height,
                   int32_t pitch) {
    const std::vector<uint8_t> bytes = encodeBitmap24(pixels, width, height, pitch);
    return !bytes.empty() && replaceFile(path, bytes.data(), bytes.size());
}

} // namespace velmora
