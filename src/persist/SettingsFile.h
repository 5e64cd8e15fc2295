// The player's own settings that the engine keeps beside the game (window
// scaling and the like): a small text file of `key = value` lines, separate
// from envdata, whose byte layout stored games rely on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora {

// The name of the file in the game directory, next to envdata.
constexpr const char* SETTINGS_FILE_NAME = "settings.txt";
// No settings file is longer; the rest of a longer file is not read.
constexpr size_t SETTINGS_FILE_LIMIT = 64u << 10;
// Keys and values longer than these are damage, not settings.
constexpr size_t SETTINGS_KEY_LIMIT = 64;
constexpr size_t SETTINGS_VALUE_LIMIT = 256;

class SettingsFile {
  public:
    // Reads `text` line by line. Blank lines and lines starting with '#' are
    // skipped, and so is every damaged line: no '=', an empty or over-long key,
    // a key of other than letters, digits, '-', '_' and '.', an over-long
    // value or control characters. Blanks around key and value are dropped;
    // a repeated key keeps its last value. Unknown keys are kept, so that a
    // rewrite does not lose what a newer engine stored.
    static SettingsFile parse(std::string_view text);
    // The settings in the file at `path`; none when it is missing or unreadable.
    static SettingsFile load(const std::string& path);

    // The value of `key`, or nothing when it is absent.
    std::optional<std::string> get(std::string_view key) const;
    // The value of `key` as a whole decimal number in [low, high]; nothing
    // when it is absent, not such a number or out of range.
    std::optional<int32_t> getInt(std::string_view key, int32_t low, int32_t high) const;
    // Sets `key` (which must be a valid key) to `value`, in place when present,
    // else at the end; false, and nothing changed, when either is not storable.
    bool set(std::string_view key, std::string_view value);

    // One `key = value` line per setting, in the order they were read or set.
    std::string text() const;
    // Writes text() to `path` through a temporary file; false when it fails.
    bool save(const std::string& path) const;

    size_t size() const { return entries.size(); }

  private:
    std::vector<std::pair<std::string, std::string>> entries;
};

} // namespace velmora
