#include "persist/SideFileText.h"

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>

namespace velmora {

std::optional<std::string> readSideFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return std::nullopt;
    // A directory opens on some systems and reads as nothing: it is not a side file.
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        return std::nullopt;
    }
    std::string text;
    char chunk[4096];
    while (text.size() < SIDE_FILE_LIMIT) {
        const size_t want = std::min(sizeof chunk, SIDE_FILE_LIMIT - text.size());
        const size_t got = std::fread(chunk, 1, want, file);
        text.append(chunk, got);
        if (got < want) break;
    }
    std::fclose(file);
    return text;
}

std::vector<std::string_view> sideFileLines(std::string_view text, size_t limit) {
    std::vector<std::string_view> lines;
    if (limit == 0) return lines;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        do {
            lines.push_back(line.substr(0, limit));
            line.remove_prefix(std::min(limit, line.size()));
        } while (!line.empty());
    }
    return lines;
}

std::optional<std::string_view> sectionHeaderName(std::string_view line) {
    if (line.empty() || line.front() != '[') return std::nullopt;
    line.remove_prefix(1);
    return line.substr(0, line.find(']'));
}

std::string_view skipSpacesAndTabs(std::string_view text) {
    const size_t start = text.find_first_not_of(" \t");
    return start == std::string_view::npos ? std::string_view{} : text.substr(start);
}

} // namespace velmora
