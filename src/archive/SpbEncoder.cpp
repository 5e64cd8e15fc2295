// The SPB picture code: each colour plane of a 24-bit bitmap, walked in
// serpentine rows from the top, as a first byte followed by groups of four
// values coded as a run, as small deltas or as raw bytes.
#include "archive/Encoders.h"

#include <algorithm>
#include <array>
#include <bit>

#include "archive/BitWriter.h"

namespace velmora {

namespace {

constexpr size_t HEADER_SIZE = 54;
constexpr int MAX_SIDE = 65535;

uint32_t readLE(std::span<const uint8_t> bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value * 256 + bytes[at + i];
    return value;
}

void writeLE(std::vector<uint8_t>& bytes, size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

size_t rowStride(size_t width) {
    return 3 * width + width % 4;
}

// The header the SPB decoder writes for a picture of this size.
std::vector<uint8_t> decoderHeader(uint32_t width, uint32_t height) {
    auto total = static_cast<uint32_t>(rowStride(width) * height + HEADER_SIZE);
    std::vector<uint8_t> header(HEADER_SIZE, 0);
    header[0] = 'B';
    header[1] = 'M';
    writeLE(header, 2, total, 4);
    writeLE(header, 10, HEADER_SIZE, 4);
    writeLE(header, 14, 40, 4);
    writeLE(header, 18, width, 4);
    writeLE(header, 22, height, 4);
    writeLE(header, 26, 1, 2);
    writeLE(header, 28, 24, 2);
    writeLE(header, 34, total - static_cast<uint32_t>(HEADER_SIZE), 4);
    return header;
}

// Checks that `bitmap` is exactly what the decoder would produce for its size.
bool checkBitmap(std::span<const uint8_t> bitmap, uint32_t& width, uint32_t& height,
                 std::string& error) {
    error = "not a 24-bit bitmap of the form an SPB entry decodes to";
    if (bitmap.size() < HEADER_SIZE || bitmap[0] != 'B' || bitmap[1] != 'M') return false;
    width = readLE(bitmap, 18, 4);
    height = readLE(bitmap, 22, 4);
    if (width < 1 || width > MAX_SIDE || height < 1 || height > MAX_SIDE) return false;
    if (bitmap.size() != rowStride(width) * height + HEADER_SIZE) return false;
    std::vector<uint8_t> header = decoderHeader(width, height);
    if (!std::equal(header.begin(), header.end(), bitmap.begin())) return false;
    for (size_t row = 0; row < height; ++row) {
        size_t padding = HEADER_SIZE + row * rowStride(width) + 3 * width;
        for (size_t i = 0; i < width % 4; ++i) {
            if (bitmap[padding + i] != 0) return false;
        }
    }
    error.clear();
    return true;
}

// One colour channel in the order the decoder fills its plane.
std::vector<uint8_t> gatherPlane(std::span<const uint8_t> bitmap, size_t width, size_t height,
                                 int channel) {
    std::vector<uint8_t> plane;
    plane.reserve(width * height);
    for (size_t y = 0; y < height; ++y) {
        size_t row = HEADER_SIZE + (height - 1 - y) * rowStride(width);
        for (size_t step = 0; step < width; ++step) {
            size_t x = y % 2 == 0 ? step : width - 1 - step;
            plane.push_back(bitmap[row + 3 * x + channel]);
        }
    }
    return plane;
}

// The delta code k of a step from `from` to `to`: the decoder adds k/2 + 1
// for odd k and subtracts k/2 for even k, modulo 256. 256 means no code.
uint32_t deltaCode(uint8_t from, uint8_t to) {
    auto delta = static_cast<int8_t>(static_cast<uint8_t>(to - from));
    if (delta == -128) return 256;
    return delta > 0 ? 2 * static_cast<uint32_t>(delta) - 1 : 2 * static_cast<uint32_t>(-delta);
}

void encodePlane(const std::vector<uint8_t>& plane, BitWriter& out) {
    uint8_t value = plane[0];
    out.write(value, 8);
    for (size_t i = 1; i < plane.size(); i += 4) {
        // A last group shorter than four is completed with copies of the
        // value before it; the decoder's overshoot lands in spare bytes.
        std::array<uint8_t, 4> group;
        for (size_t k = 0; k < 4; ++k) {
            group[k] = i + k < plane.size() ? plane[i + k] : (k == 0 ? value : group[k - 1]);
        }
        if (std::all_of(group.begin(), group.end(), [&](uint8_t v) { return v == value; })) {
            out.write(0, 3);
            continue;
        }
        std::array<uint32_t, 4> codes;
        uint32_t widest = 0;
        uint8_t previous = value;
        for (size_t k = 0; k < 4; ++k) {
            codes[k] = deltaCode(previous, group[k]);
            widest = std::max(widest, codes[k]);
            previous = group[k];
        }
        int bits = std::max(1, static_cast<int>(std::bit_width(widest)));
        if (bits <= 2) {
            out.write(7, 3);
            out.write(static_cast<uint32_t>(bits - 1), 1);
        } else {
            bits = std::min(bits, 8); // 8 bits: the values themselves
            out.write(static_cast<uint32_t>(bits - 2), 3);
        }
        for (size_t k = 0; k < 4; ++k) out.write(bits == 8 ? group[k] : codes[k], bits);
        value = group[3];
    }
}

} // namespace

bool packSPB(std::span<const uint8_t> bitmap, std::vector<uint8_t>& packed, std::string& error) {
    uint32_t width = 0;
    uint32_t height = 0;
    if (!checkBitmap(bitmap, width, height, error)) return false;
    BitWriter out;
    out.write(width >> 8, 8);
    out.write(width & 0xff, 8);
    out.write(height >> 8, 8);
    out.write(height & 0xff, 8);
    for (int channel = 0; channel < 3; ++channel) {
        encodePlane(gatherPlane(bitmap, width, height, channel), out);
    }
    packed = out.take();
    return true;
}

} // namespace velmora
