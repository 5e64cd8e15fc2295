// The substitution table that decodes keyed script files and archives, found
// inside a file given on the command line.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

// Fills `table` with the inverse of the first run of 256 distinct byte values
// in the file at `path`. False when the file cannot be opened (a message is
// printed and no table is built); a file without such a run is a parse error.
bool createKeyTable(const std::string& path, std::array<uint8_t, 256>& table);

} // namespace velmora
