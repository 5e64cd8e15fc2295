#include "sound/SoundFileCheck.h"

#include <cstring>

namespace velmora {

namespace {

constexpr size_t CHUNK_HEADER = 8; // four-letter id and 32-bit length
constexpr size_t WAV_FMT_MIN = 16;
constexpr char VOC_SIGNATURE[] = "Creative Voice File\x1a";
constexpr size_t VOC_SIGNATURE_SIZE = sizeof VOC_SIGNATURE - 1;
constexpr size_t VOC_HEADER_MIN = VOC_SIGNATURE_SIZE + 6;
constexpr size_t VOC_BLOCK_HEADER = 4; // type and 24-bit length
constexpr uint8_t VOC_TERMINATOR = 0;

bool tagIs(const uint8_t* at, const char* tag) {
    return std::memcmp(at, tag, 4) == 0;
}

uint32_t littleEndian(const uint8_t* at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | at[i];
    return value;
}

uint32_t bigEndian32(const uint8_t* at) {
    return uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 8 | at[3];
}

// A chunk of `length` can be stepped over within the `left` bytes from its
// start. An odd length is refused: the format pads it to even, but the
// mixer's loaders step over it unpadded, and the two walks would see
// different chunks after it.
bool skippable(uint32_t length, size_t left) {
    return length % 2 == 0 && length <= left - CHUNK_HEADER;
}

// The chunks of a WAV file from offset 12: "fmt " first, every chunk inside
// the file, up to a "data" chunk, whose samples may be cut short.
bool wavIsSafe(const uint8_t* data, size_t size) {
    size_t at = 12;
    bool first = true;
    while (size - at >= CHUNK_HEADER) {
        const uint8_t* chunk = data + at;
        const uint32_t length = littleEndian(chunk + 4, 4);
        if (tagIs(chunk, "data")) return !first;
        if (first && (!tagIs(chunk, "fmt ") || length < WAV_FMT_MIN)) return false;
        first = false;
        if (!skippable(length, size - at)) return false;
        at += CHUNK_HEADER + length;
    }
    return false;
}

// The chunks of an AIFF file from offset 12: every chunk inside the file
// until both "COMM" and "SSND" were seen; the sound data may be cut short.
bool aiffIsSafe(const uint8_t* data, size_t size) {
    size_t at = 12;
    bool common = false;
    bool sound = false;
    while (size - at >= CHUNK_HEADER && !(common && sound)) {
        const uint8_t* chunk = data + at;
        const uint32_t length = bigEndian32(chunk + 4);
        common = common || tagIs(chunk, "COMM");
        sound = sound || tagIs(chunk, "SSND");
        if (common && sound) break;
        if (!skippable(length, size - at)) return false;
        at += CHUNK_HEADER + length;
    }
    return common && sound;
}

// The blocks of a VOC file: each inside the file, up to the terminator or the end.
bool vocIsSafe(const uint8_t* data, size_t size) {
    if (size < VOC_HEADER_MIN) return false;
    size_t at = littleEndian(data + VOC_SIGNATURE_SIZE, 2);
    if (at < VOC_HEADER_MIN || at > size) return false;
    while (at < size && data[at] != VOC_TERMINATOR) {
        if (size - at < VOC_BLOCK_HEADER) return false;
        const uint32_t length = littleEndian(data + at + 1, 3);
        if (length > size - at - VOC_BLOCK_HEADER) return false;
        at += VOC_BLOCK_HEADER + length;
    }
    return true;
}

} // namespace

bool soundContainerIsSafe(const uint8_t* data, size_t size) {
    // The loaders choose by the first four bytes alone.
    if (size < 4) return true;
    if (tagIs(data, "RIFF"))
        return size >= 12 && (!tagIs(data + 8, "WAVE") || wavIsSafe(data, size));
    if (tagIs(data, "FORM"))
        return size >= 12 && (tagIs(data + 8, "AIFF") || tagIs(data + 8, "AIFC")) &&
               aiffIsSafe(data, size);
    if (std::memcmp(data, VOC_SIGNATURE, 4) == 0)
        return size >= VOC_SIGNATURE_SIZE &&
               std::memcmp(data, VOC_SIGNATURE, VOC_SIGNATURE_SIZE) == 0 && vocIsSafe(data, size);
    return true;
}

} // namespace velmora
