// Answers to registry questions from the registry file a game ships: `[section]`
// headers and lines of a quoted key, '=' and a quoted value.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The value of `key` from the first line after the header that names
// `section` exactly; later headers do not end the search, as the stored files
// expect. Only lines of the form "key" = "value" (blanks allowed around the
// parts) are read; any other line is no match. Nothing when the key is not
// found or a name is longer than SIDE_NAME_LIMIT.
std::optional<std::string> findRegistryValue(std::string_view text, std::string_view section,
                                             std::string_view key);

} // namespace velmora
