// libFuzzer target for the decoders of compressed entries and for stored
// entries read through the key table.
//
// Input layout: byte 0 picks the decoder (bits 0-1: 0 VBZ, 1 SPB, 2 LZSS,
// 3 stored), whether a key table is on (bit 2) and the caller's capacity
// (bits 3-4: the whole decoded length, half of it, 7 bytes, none). Bytes 1-2
// are the entry's length for LZSS and stored entries (big-endian); byte 3 is
// the offset of the data in the file. The rest is the file. Each input is
// decoded twice by the same reader, into buffers of exactly the capacity; the
// two results must agree, so no decoder may depend on state left behind.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "archive/DirectReader.h"

namespace {

using velmora::ArchiveEntry;
using velmora::CompressionType;

// Larger decoded sizes are clipped or skipped: filling them is slow, not
// interesting.
constexpr size_t CAPACITY_LIMIT = size_t{1} << 18;

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "decoder_fuzzer: invariant broken: %s\n", what);
    std::abort();
}

class FuzzedReader : public velmora::DirectReader {
  public:
    using DirectReader::DirectReader;

    // Decodes the entry at entry.offset of `file` as `type` into a buffer of
    // exactly `capacity` bytes; `bytes` receives what was written.
    int32_t decode(FILE* file, const ArchiveEntry& entry, CompressionType type, size_t capacity,
                   std::vector<uint8_t>& bytes) {
        // Left uncleared: clearing a large buffer costs more than decoding into it.
        std::unique_ptr<uint8_t[]> buffer(new uint8_t[std::max<size_t>(capacity, 1)]);
        int32_t n = readEntryData(file, entry, type, buffer.get(), capacity);
        require(n >= 0 && static_cast<size_t>(n) <= capacity, "no more bytes than the capacity");
        bytes.assign(buffer.get(), buffer.get() + n);
        return n;
    }

    int32_t declaredLength(CompressionType type, FILE* file, int64_t offset) {
        return decodedLength(type, file, offset);
    }
};

std::array<uint8_t, 256> fuzzKey() {
    std::array<uint8_t, 256> key{};
    for (int i = 0; i < 256; ++i) key[i] = static_cast<uint8_t>(i * 167 + 29);
    return key;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    static const std::array<uint8_t, 256> key = fuzzKey();
    const uint8_t selector = data[0];
    static constexpr CompressionType TYPES[] = {CompressionType::VBZ, CompressionType::SPB,
                                                CompressionType::LZSS, CompressionType::None};
    const CompressionType type = TYPES[selector & 3];
    const bool keyed = (selector & 4) != 0;

    ArchiveEntry entry;
    entry.length = data[1] << 8 | data[2];
    entry.unpacked_length = entry.length;
    entry.offset = data[3];
    // A copy: fmemopen wants a writable buffer, and may be given an empty one.
    std::vector<uint8_t> contents(data + 4, data + size);
    contents.reserve(1);
    FILE* file = fmemopen(contents.data(), contents.size(), "rb");
    require(file != nullptr, "the input opens as a file");

    FuzzedReader reader("", keyed ? &key : nullptr);
    size_t declared = static_cast<size_t>(entry.length);
    if (type == CompressionType::VBZ || type == CompressionType::SPB) {
        int32_t length = reader.declaredLength(type, file, entry.offset);
        require(length >= 0 && length <= velmora::MAX_DECODED_LENGTH,
                "declared lengths are capped");
        declared = static_cast<size_t>(length);
    }
    // An SPB picture is decoded whole whatever the capacity: skip huge ones.
    if (type == CompressionType::SPB && declared > CAPACITY_LIMIT) {
        std::fclose(file);
        return 0;
    }
    declared = std::min(declared, CAPACITY_LIMIT);
    size_t capacity = declared;
    switch (selector >> 3 & 3) {
    case 1: capacity = declared / 2; break;
    case 2: capacity = std::min<size_t>(declared, 7); break;
    case 3: capacity = 0; break;
    default: break;
    }

    std::vector<uint8_t> first, second;
    int32_t n1 = reader.decode(file, entry, type, capacity, first);
    // A different entry in between leaves its state in the reader.
    ArchiveEntry other = entry;
    other.offset = 0;
    std::vector<uint8_t> ignored;
    reader.decode(file, other, TYPES[(selector + 1) & 3], std::min<size_t>(capacity, 4096),
                  ignored);
    int32_t n2 = reader.decode(file, entry, type, capacity, second);
    require(n1 == n2 && first == second, "decoding is repeatable");
    if (type == CompressionType::SPB && declared > 0)
        require(static_cast<size_t>(n1) == capacity, "an SPB bitmap is always complete");
    std::fclose(file);
    return 0;
}
