#include "persist/RegistryFile.h"

#include <vector>

#include "persist/SideFileText.h"

namespace velmora {

namespace {

// Reads a double-quoted string at the start of `rest` (after blanks) into
// `text` and moves past it; false when there is none or it does not end.
// '"' is never a Shift_JIS trail byte, so the bytes need no pairing.
bool takeQuoted(std::string_view& rest, std::string_view& text) {
    rest = skipSpacesAndTabs(rest);
    if (rest.empty() || rest.front() != '"') return false;
    const size_t close = rest.find('"', 1);
    if (close == std::string_view::npos) return false;
    text = rest.substr(1, close - 1);
    rest.remove_prefix(close + 1);
    return true;
}

// The value of a "key" = "value" line whose key is `key`.
std::optional<std::string_view> valueOfLine(std::string_view line, std::string_view key) {
    std::string_view name, value;
    if (!takeQuoted(line, name) || name != key) return std::nullopt;
    line = skipSpacesAndTabs(line);
    if (line.empty() || line.front() != '=') return std::nullopt;
    line.remove_prefix(1);
    if (!takeQuoted(line, value)) return std::nullopt;
    return value;
}

} // namespace

std::optional<std::string> findRegistryValue(std::string_view text, std::string_view section,
                                             std::string_view key) {
    if (section.size() > SIDE_NAME_LIMIT || key.size() > SIDE_NAME_LIMIT) return std::nullopt;
    bool in_section = false;
    for (std::string_view line : sideFileLines(text, SIDE_LINE_LIMIT)) {
        if (!in_section) {
            in_section = sectionHeaderName(line) == section;
        } else if (std::optional<std::string_view> value = valueOfLine(line, key)) {
            return std::string(*value);
        }
    }
    return std::nullopt;
}

} // namespace velmora
