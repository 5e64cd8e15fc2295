// The decoders of compressed entries: VBZ (length prefix + bzip2 stream), SPB
// (delta-coded colour planes, decoded into a 24-bit bitmap file) and LZSS
// (256-byte sliding window).
#include "archive/DirectReader.h"

#include <algorithm>
#include <bzlib.h>
#include <sys/types.h>

namespace velmora {

namespace {

constexpr int64_t BITMAP_HEADER_SIZE = 54;
constexpr int32_t LZSS_WINDOW_START = 239;

bool seekTo(FILE* file, int64_t offset) {
    return offset >= 0 && fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

// Bytes of one bitmap row: three per pixel, padded by (w mod 4) zero bytes,
// which is what makes 3w + pad a multiple of four.
int64_t bitmapStride(int64_t width) {
    return 3 * width + width % 4;
}

int64_t bitmapSize(int64_t width, int64_t height) {
    return bitmapStride(width) * height + BITMAP_HEADER_SIZE;
}

void putLittle(uint8_t* at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Decodes one colour plane of `count` values into `plane` (count + 4 bytes).
// Values after the end of the data are 0.
void decodePlane(BitReader& bits, uint8_t* plane, size_t count) {
    size_t i = 0;
    int32_t first = bits.readBits(8);
    if (first >= 0) {
        auto v = static_cast<uint8_t>(first);
        plane[i++] = v;
        bool ended = false;
        while (i < count && !ended) {
            int32_t t = bits.readBits(3);
            if (t < 0) break;
            if (t == 0) {
                plane[i] = plane[i + 1] = plane[i + 2] = plane[i + 3] = v;
                i += 4;
                continue;
            }
            int32_t m = t + 2;
            if (t == 7) {
                int32_t wide = bits.readBits(1);
                if (wide < 0) break;
                m = wide + 1;
            }
            for (int j = 0; j < 4; ++j) {
                int32_t k = bits.readBits(m);
                if (k < 0) {
                    ended = true;
                    break;
                }
                if (m == 8)
                    v = static_cast<uint8_t>(k);
                else if (k & 1)
                    v = static_cast<uint8_t>(v + k / 2 + 1);
                else
                    v = static_cast<uint8_t>(v - k / 2);
                plane[i++] = v;
            }
        }
    }
    if (i < count) std::fill(plane + i, plane + count, uint8_t{0});
}

} // namespace

int32_t DirectReader::decodedLength(CompressionType type, FILE* file, int64_t offset) {
    if (!seekTo(file, offset)) return 0;
    if (type == CompressionType::VBZ) {
        uint32_t length = 0;
        if (!readInt32(file, length) || length > MAX_DECODED_LENGTH) return 0;
        return static_cast<int32_t>(length);
    }
    if (type == CompressionType::SPB) {
        uint16_t width = 0, height = 0;
        if (!readInt16(file, width) || !readInt16(file, height)) return 0;
        int64_t total = bitmapSize(width, height);
        return total > MAX_DECODED_LENGTH ? 0 : static_cast<int32_t>(total);
    }
    return 0;
}

int32_t DirectReader::unpackVBZ(FILE* file, int64_t offset, uint8_t* buffer, size_t capacity) {
    if (key_table_on) std::fprintf(stderr, "may not decode VBZ with key_table enabled.\n");
    uint32_t length = 0;
    if (!seekTo(file, offset) || !readInt32(file, length) || length > MAX_DECODED_LENGTH) return 0;
    size_t wanted = std::min(static_cast<size_t>(length), capacity);
    if (wanted == 0) return 0;

    // The bzip2 stream itself is stored plainly, even under a key table.
    int status = BZ_OK;
    BZFILE* stream = BZ2_bzReadOpen(&status, file, 0, 0, nullptr, 0);
    if (stream == nullptr || status != BZ_OK) {
        if (stream != nullptr) BZ2_bzReadClose(&status, stream);
        return 0;
    }
    // One call decodes up to `wanted` bytes (at most MAX_DECODED_LENGTH, so it
    // fits an int), checking each block completed on the way; on any error it
    // yields 0, as nothing it produced can be trusted.
    int produced = BZ2_bzRead(&status, stream, buffer, static_cast<int>(wanted));
    int close_status = BZ_OK;
    BZ2_bzReadClose(&close_status, stream);
    return produced;
}

int32_t DirectReader::unpackSPB(FILE* file, int64_t offset, uint8_t* buffer, size_t capacity) {
    uint16_t width = 0, height = 0;
    if (!seekTo(file, offset) || !readInt16(file, width) || !readInt16(file, height)) return 0;
    const int64_t total = bitmapSize(width, height);
    if (total > MAX_DECODED_LENGTH) return 0;
    const size_t limit = std::min(static_cast<size_t>(total), capacity);

    uint8_t header[BITMAP_HEADER_SIZE] = {'B', 'M'};
    putLittle(header + 2, static_cast<uint32_t>(total), 4);
    putLittle(header + 10, BITMAP_HEADER_SIZE, 4);
    putLittle(header + 14, 40, 4);
    putLittle(header + 18, width, 4);
    putLittle(header + 22, height, 4);
    putLittle(header + 26, 1, 2);
    putLittle(header + 28, 24, 2);
    putLittle(header + 34, static_cast<uint32_t>(total - BITMAP_HEADER_SIZE), 4);
    std::copy_n(header, std::min<size_t>(BITMAP_HEADER_SIZE, limit), buffer);

    const size_t w = width, h = height, stride = static_cast<size_t>(bitmapStride(width));
    const size_t count = w * h;
    // The last group of four may run up to three values past the plane.
    if (decode_buffer.size() < count + 4) decode_buffer.resize(count + 4);
    uint8_t* plane = decode_buffer.data();
    bit_reader.start(file, key_table);
    for (size_t channel = 0; channel < 3; ++channel) {
        decodePlane(bit_reader, plane, count);
        // Plane rows run from the top of the picture, alternately left to
        // right and right to left; bitmap rows run from the bottom.
        for (size_t y = 0; y < h; ++y) {
            const size_t row = static_cast<size_t>(BITMAP_HEADER_SIZE) + (h - 1 - y) * stride;
            if (row >= limit) continue;
            uint8_t* out = buffer + row + channel;
            const uint8_t* values = plane + y * w;
            const bool reversed = y % 2 == 1;
            if (row + stride <= limit) {
                for (size_t x = 0; x < w; ++x) out[3 * x] = values[reversed ? w - 1 - x : x];
            } else {
                for (size_t x = 0; x < w && row + 3 * x + channel < limit; ++x)
                    out[3 * x] = values[reversed ? w - 1 - x : x];
            }
            if (channel == 0)
                for (size_t p = row + 3 * w; p < row + stride && p < limit; ++p) buffer[p] = 0;
        }
    }
    return static_cast<int32_t>(limit);
}

int32_t DirectReader::unpackLZSS(FILE* file, int64_t offset, int32_t unpacked_length,
                                 uint8_t* buffer, size_t capacity) {
    if (unpacked_length <= 0 || !seekTo(file, offset)) return 0;
    const size_t limit = std::min(static_cast<size_t>(unpacked_length), capacity);
    std::array<uint8_t, 256> window{};
    uint8_t r = LZSS_WINDOW_START; // wraps modulo the window size
    size_t count = 0;
    bit_reader.start(file, key_table);
    while (count < limit) {
        int32_t flag = bit_reader.readBits(1);
        if (flag < 0) break;
        if (flag != 0) {
            int32_t c = bit_reader.readBits(8);
            if (c < 0) break;
            buffer[count++] = window[r++] = static_cast<uint8_t>(c);
            continue;
        }
        int32_t position = bit_reader.readBits(8);
        int32_t n = bit_reader.readBits(4);
        if (position < 0 || n < 0) break;
        // Copied one byte at a time: a match may overlap the bytes it writes.
        auto p = static_cast<uint8_t>(position);
        for (int32_t j = 0; j < n + 2 && count < limit; ++j) {
            uint8_t c = window[p++];
            buffer[count++] = window[r++] = c;
        }
    }
    return static_cast<int32_t>(count);
}

int32_t DirectReader::readEntryData(FILE* file, const ArchiveEntry& entry, CompressionType type,
                                    uint8_t* buffer, size_t capacity) {
    switch (type) {
    case CompressionType::VBZ: return unpackVBZ(file, entry.offset, buffer, capacity);
    case CompressionType::SPB: return unpackSPB(file, entry.offset, buffer, capacity);
    case CompressionType::LZSS:
        return unpackLZSS(file, entry.offset, entry.unpacked_length, buffer, capacity);
    case CompressionType::None: break;
    }
    if (entry.length <= 0 || !seekTo(file, entry.offset)) return 0;
    size_t wanted = std::min(static_cast<size_t>(entry.length), capacity);
    size_t got = std::fread(buffer, 1, wanted, file);
    if (key_table_on)
        for (size_t i = 0; i < got; ++i) buffer[i] = key_table[buffer[i]];
    return static_cast<int32_t>(got);
}

} // namespace velmora
