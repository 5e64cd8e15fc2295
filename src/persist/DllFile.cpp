#include "persist/DllFile.h"

#include <algorithm>
#include <limits>

#include "persist/SideFileText.h"

namespace velmora {

namespace {

constexpr std::string_view TEXT_FIELD = "str";
constexpr std::string_view NUMBER_FIELD = "ret";

// `line` (after blanks) is `field`, blanks and '='; leaves `line` after the '='.
bool takeField(std::string_view& line, std::string_view field) {
    std::string_view rest = skipSpacesAndTabs(line);
    if (!rest.starts_with(field)) return false;
    rest = skipSpacesAndTabs(rest.substr(field.size()));
    if (rest.empty() || rest.front() != '=') return false;
    line = rest.substr(1);
    return true;
}

// A decimal number as C's atoi reads one: an optional sign, then digits up to
// the first other byte; 0 without digits. Held to the int32 range.
int32_t decimalPrefix(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    constexpr int64_t LIMIT = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = std::min(value * 10 + (c - '0'), LIMIT);
    }
    if (negative) value = -value;
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), LIMIT - 1));
}

} // namespace

DllAnswers findDllAnswers(std::string_view text, std::string_view dll) {
    DllAnswers answers;
    for (std::string_view line : sideFileLines(text, SIDE_LINE_LIMIT)) {
        const std::optional<std::string_view> header = sectionHeaderName(line);
        if (!answers.found) {
            answers.found = header == dll;
            continue;
        }
        if (header) break;
        if (takeField(line, TEXT_FIELD)) {
            // The text between the first '"' after '=' and the next one, or the line's end.
            const size_t open = line.find('"');
            if (open == std::string_view::npos) continue;
            const std::string_view quoted = line.substr(open + 1);
            answers.values.emplace_back(std::string(quoted.substr(0, quoted.find('"'))));
        } else if (takeField(line, NUMBER_FIELD)) {
            answers.values.emplace_back(decimalPrefix(skipSpacesAndTabs(line)));
        }
    }
    return answers;
}

} // namespace velmora
