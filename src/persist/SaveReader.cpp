// Parses a save file of version 2.00 to 2.08 into a SaveState. Nothing in
// the file is trusted: a read past its end or a count that the bytes left
// cannot hold refuses the whole file, as do fields that contradict each other.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "persist/FileBuffer.h"
#include "persist/SaveBody.h"
#include "persist/SaveFile.h"

namespace velmora {
namespace {

// The reading side of the body walk.
struct SaveReader {
    SaveReader(int32_t file_version, const SaveLayout& declared, const uint8_t* data, size_t size)
        : version(file_version), layout(declared) {
        buffer.assign(data, size);
    }

    static constexpr bool reading = true;
    const int32_t version;
    const SaveLayout& layout;
    FileBuffer buffer;
    bool cut_short = false;
    std::string damage; // the first contradiction found

    void int32(int32_t& value) { value = buffer.readInt(); }
    void byte(uint8_t& value) { value = buffer.readByte(); }
    void string(std::string& text) { text = buffer.readString(); }

    // `count` when that many elements of at least `least_bytes` each fit in
    // the bytes left; otherwise 0, and the file is cut short.
    size_t fitting(size_t count, size_t least_bytes) {
        if (count <= buffer.remaining() / least_bytes) return count;
        cut_short = true;
        return 0;
    }

    void fail(const char* what) {
        if (damage.empty()) damage = what;
    }
};

} // namespace

std::optional<int32_t> saveFileVersion(const uint8_t* data, size_t size) {
    if (size < SAVE_MAGIC_SIZE || std::memcmp(data, SAVE_MAGIC, SAVE_MAGIC_SIZE) != 0)
        return std::nullopt;
    // Missing version bytes read as 0, as every read past the end does.
    auto signedByte = [&](size_t at) { return at < size ? int32_t{int8_t(data[at])} : 0; };
    return signedByte(SAVE_MAGIC_SIZE) * 100 + signedByte(SAVE_MAGIC_SIZE + 1);
}

SaveParse parseSave(const uint8_t* data, size_t size, const SaveLayout& layout, SaveState& out,
                    std::string& error) {
    std::optional<int32_t> stated = saveFileVersion(data, size);
    int32_t version = stated.value_or(SAVE_VERSION);
    if (version > SAVE_VERSION) {
        error = "Save file is newer than " + std::to_string(SAVE_VERSION_MAJOR) + "." +
                std::to_string(SAVE_VERSION_MINOR) + ", please use the latest Velmora.";
        return SaveParse::TooNew;
    }
    if (version < OLDEST_SAVE_VERSION) {
        error = "Save file is too old.";
        return SaveParse::TooOld;
    }

    size_t body = stated ? std::min(SAVE_HEADER_SIZE, size) : 0;
    SaveReader reader(version, layout, data + body, size - body);
    // A state is large (a record for every sprite); it is built on the heap.
    auto state = std::make_unique<SaveState>();
    state->version = version;
    save_body::walkSaveBody(reader, *state);
    if (reader.cut_short || reader.buffer.overran()) {
        error = "Save file is cut short.";
        return SaveParse::Damaged;
    }
    if (!reader.damage.empty()) {
        error = "Save file is damaged: " + reader.damage + ".";
        return SaveParse::Damaged;
    }
    out = std::move(*state);
    return SaveParse::Parsed;
}

} // namespace velmora
