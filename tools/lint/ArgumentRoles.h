// Which arguments of the built-in commands name a file or give a colour, so
// that literal ones can be checked without running the command.
#pragma once

#include <cstdint>
#include <vector>

namespace velmora::lint {

// Bits of an argument's role.
constexpr int32_t ROLE_PICTURE = 1; // a picture name, perhaps behind a tag (":a;name.png")
constexpr int32_t ROLE_SOUND = 2;   // a sound or music file; "*N" is a CD track
constexpr int32_t ROLE_MOVIE = 4;   // a movie file
constexpr int32_t ROLE_COLOUR = 8;  // "#RRGGBB"; with ROLE_PICTURE, text starting with '#'

struct ArgumentRole {
    int32_t index; // 0 is the first argument
    int32_t role;  // ROLE_ bits
};

// The checked arguments of the built-in command `name`; empty for most commands.
const std::vector<ArgumentRole>& argumentRoles(const char* name);

} // namespace velmora::lint
