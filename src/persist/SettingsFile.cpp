#include "persist/SettingsFile.h"

#include <algorithm>
#include <charconv>

#include "persist/FileBuffer.h"

namespace velmora {

namespace {

constexpr std::string_view BLANKS = " \t\r";
constexpr char COMMENT_MARK = '#';
constexpr char SEPARATOR = '=';

std::string_view trim(std::string_view text) {
    const size_t first = text.find_first_not_of(BLANKS);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(BLANKS) - first + 1);
}

bool validKey(std::string_view key) {
    if (key.empty() || key.size() > SETTINGS_KEY_LIMIT) return false;
    return std::all_of(key.begin(), key.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '_' || c == '.';
    });
}

// Control characters would break the line structure or the terminal that
// shows a value; anything else (UTF-8 or Shift_JIS bytes) is kept as it is.
bool validValue(std::string_view value) {
    if (value.size() > SETTINGS_VALUE_LIMIT) return false;
    return std::none_of(value.begin(), value.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}

} // namespace

SettingsFile SettingsFile::parse(std::string_view text) {
    SettingsFile settings;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == COMMENT_MARK) continue;
        const size_t separator = line.find(SEPARATOR);
        if (separator == std::string_view::npos) continue;
        const std::string_view key = trim(line.substr(0, separator));
        const std::string_view value = trim(line.substr(separator + 1));
        if (validKey(key) && validValue(value)) settings.set(key, value);
    }
    return settings;
}

SettingsFile SettingsFile::load(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, SETTINGS_FILE_LIMIT, bytes)) return {};
    return parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::optional<std::string> SettingsFile::get(std::string_view key) const {
    for (const auto& [name, value] : entries)
        if (name == key) return value;
    return std::nullopt;
}

std::optional<int32_t> SettingsFile::getInt(std::string_view key, int32_t low, int32_t high) const {
    const std::optional<std::string> value = get(key);
    if (!value) return std::nullopt;
    int32_t number = 0;
    const char* end = value->data() + value->size();
    const auto [stop, error] = std::from_chars(value->data(), end, number);
    if (error != std::errc{} || stop != end || number < low || number > high) return std::nullopt;
    return number;
}

bool SettingsFile::set(std::string_view key, std::string_view value) {
    if (!validKey(key) || !validValue(value) || trim(value) != value) return false;
    for (auto& [name, stored] : entries) {
        if (name == key) {
            stored = value;
            return true;
        }
    }
    entries.emplace_back(key, value);
    return true;
}

std::string SettingsFile::text() const {
    std::string out;
    for (const auto& [name, value] : entries) out += name + " = " + value + "\n";
    return out;
}

bool SettingsFile::save(const std::string& path) const {
    const std::string bytes = text();
    return replaceFile(path, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

} // namespace velmora
