// The save file: a 5-byte header ("VLM", major, minor) and a body laid out
// from a SaveState. Serialising and parsing touch no engine state, so a file
// is parsed whole, and refused whole, before anything of it is applied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "persist/SaveState.h"

namespace velmora {

constexpr char SAVE_MAGIC[] = "VLM";
constexpr size_t SAVE_MAGIC_SIZE = sizeof SAVE_MAGIC - 1;
constexpr size_t SAVE_HEADER_SIZE = SAVE_MAGIC_SIZE + 2;

// What the script declares and the file does not record: the number of
// saved variables (`global_border`) and of array cells.
struct SaveLayout {
    size_t variable_count = 0;
    size_t array_cells = 0;
};

enum class SaveParse {
    Parsed,
    TooNew,  // a version above 2.08
    TooOld,  // a version below 2.00
    Damaged, // cut short, or fields that do not hold together
};

// The header and a version 2.08 body.
std::vector<uint8_t> serialiseSave(const SaveState& state);

// The version the header states, its bytes taken as signed; none when the
// file does not begin with the magic (then it is a 2.08 body from offset 0).
std::optional<int32_t> saveFileVersion(const uint8_t* data, size_t size);

// Reads a file of version 2.00 to 2.08 into `out`, which changes only when
// the result is Parsed; otherwise `error` holds the message to show. Bytes
// after the body (the save text) are not read.
SaveParse parseSave(const uint8_t* data, size_t size, const SaveLayout& layout, SaveState& out,
                    std::string& error);

} // namespace velmora
