// Reading one key of a Windows INI file: `[section]` headers and `key=value`
// lines, names compared without regard to letter case.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// Values longer than this are cut to it, as a 1024-byte answer buffer holds.
constexpr size_t INI_VALUE_LIMIT = 1023;

// The value of the first `key` line in a section named `section`: blanks
// around names and values are dropped, and one pair of matching quotes around
// a value. Lines beginning with ';' are comments. Nothing when the key is
// missing or a name is empty or longer than SIDE_NAME_LIMIT.
std::optional<std::string> findIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

} // namespace velmora
