#include "persist/IniFile.h"

#include "archive/CaseInsensitiveLookup.h"
#include "persist/SideFileText.h"

namespace velmora {

namespace {

std::string_view trimBlanks(std::string_view text) {
    text = skipSpacesAndTabs(text);
    const size_t last = text.find_last_not_of(" \t");
    return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

bool sameName(std::string_view a, std::string_view folded) {
    return a.size() == folded.size() && foldCase(std::string(a)) == folded;
}

} // namespace

std::optional<std::string> findIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    if (section.empty() || key.empty() || section.size() > SIDE_NAME_LIMIT ||
        key.size() > SIDE_NAME_LIMIT)
        return std::nullopt;
    const std::string wanted_section = foldCase(std::string(section));
    const std::string wanted_key = foldCase(std::string(key));
    bool in_section = false;
    for (std::string_view line : sideFileLines(text, WHOLE_LINES)) {
        line = trimBlanks(line);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const std::string_view name = *sectionHeaderName(line);
            in_section = sameName(trimBlanks(name), wanted_section);
            continue;
        }
        const size_t equals = line.find('=');
        if (!in_section || equals == std::string_view::npos) continue;
        if (!sameName(trimBlanks(line.substr(0, equals)), wanted_key)) continue;
        std::string_view value = trimBlanks(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return std::string(value.substr(0, INI_VALUE_LIMIT));
    }
    return std::nullopt;
}

} // namespace velmora
