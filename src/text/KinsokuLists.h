// The line-breaking lists: characters that may not begin a line and characters
// that may not end one, and the switch that turns the rule on and off.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace velmora {

struct KinsokuLists {
    // A double-byte character is kept as its two bytes, a single-byte one as the byte and 0.
    using Entry = std::array<uint8_t, 2>;

    KinsokuLists();
    // `setkinsoku` (append false) and `addkinsoku` (append true): takes the
    // characters of both strings; without `append` the old lists go first.
    void apply(const char* start_chars, const char* end_chars, bool append);
    // `kinsoku` command: "on" enables the rule, "off" disables it, any other word leaves it.
    void setSwitch(std::string_view word);

    // Whether the character at `text` may not begin (or end) a line. A
    // double-byte entry matches both bytes, a single-byte entry only a
    // single-byte character equal to it; nothing is read past a terminating 0.
    bool forbidsLineStart(const uint8_t* text) const;
    bool forbidsLineEnd(const uint8_t* text) const;

    std::vector<Entry> start; // may not begin a line
    std::vector<Entry> end;   // may not end a line
    bool enabled = true;      // the engine reset turns the rule back on
};

} // namespace velmora
