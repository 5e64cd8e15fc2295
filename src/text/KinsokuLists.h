// The line-breaking lists: characters that may not begin a line and characters
// that may not end one.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace velmora {

struct KinsokuLists {
    // A double-byte character is kept as its two bytes, a single-byte one as the byte and 0.
    using Entry = std::array<uint8_t, 2>;

    KinsokuLists();
    // Takes the characters of both strings; without `append` the old lists go first.
    void apply(const char* start_chars, const char* end_chars, bool append);

    std::vector<Entry> start; // may not begin a line
    std::vector<Entry> end;   // may not end a line
};

} // namespace velmora
