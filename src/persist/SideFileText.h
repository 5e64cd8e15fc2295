// The text form shared by the side files that answer host questions (the
// registry file, the DLL file and INI files): reading one whole, cutting it
// into lines, and the names of `[...]` section headers.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// No side file that answers a question is read past this many bytes.
constexpr size_t SIDE_FILE_LIMIT = 1u << 20;
// Lines of the registry and DLL files hold at most this many bytes; a longer
// line is read as several lines of this length.
constexpr size_t SIDE_LINE_LIMIT = 255;
// The line limit of files whose lines are read whole (INI files).
constexpr size_t WHOLE_LINES = std::string_view::npos;
// Section and key names longer than this are refused: nothing is looked up.
constexpr size_t SIDE_NAME_LIMIT = 255;

// The first SIDE_FILE_LIMIT bytes of a regular file; nothing when the file
// cannot be opened or is not a regular file.
std::optional<std::string> readSideFile(const std::string& path);

// The lines of `text` without their line ends ("\n" or "\r\n"), each cut into
// pieces of at most `limit` bytes (WHOLE_LINES: not cut). The views point into `text`.
std::vector<std::string_view> sideFileLines(std::string_view text, size_t limit);

// For a line that begins with '[': the text after it up to the next ']', or to
// the end of the line when there is none. Nothing for other lines.
std::optional<std::string_view> sectionHeaderName(std::string_view line);

// `text` less leading spaces and tabs.
std::string_view skipSpacesAndTabs(std::string_view text);

} // namespace velmora
