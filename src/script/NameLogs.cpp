// Read marks over the script bytes, and the label and file name logs.
#include <algorithm>
#include <cstdio>

#include "common/Exit.h"
#include "persist/FileBuffer.h"
#include "script/ScriptStream.h"

namespace velmora {

namespace {
// Names are kept in a 256-byte form: longer names are cut to 255 bytes.
constexpr size_t MAX_LOG_NAME = 255;
// Log names are stored with every byte XORed with this, between double quotes.
constexpr uint8_t LOG_SCRAMBLE = 0xE9;

// Upper case with '/' turned into a backslash, cut to the name limit.
std::string normalise(const char* name) {
    std::string normal;
    for (const char* p = name; *p && normal.size() < MAX_LOG_NAME; ++p) {
        char c = *p;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c == '/') c = '\\';
        normal.push_back(c);
    }
    return normal;
}
} // namespace

std::string ScriptStream::sideFilePath(const char* name) const {
    return (save_dir.empty() ? archive_path : save_dir) + name;
}

void ScriptStream::loadReadMarks() {
    read_marks_on = true;
    // The last, partial byte of the marks lives only in memory.
    size_t stored = scriptLength() / 8;
    read_marks.assign(stored + 1, 0);
    if (std::FILE* file = std::fopen(sideFilePath("kidoku.dat").c_str(), "rb")) {
        size_t got = std::fread(read_marks.data(), 1, stored, file);
        (void)got; // a shorter file fills only its part
        std::fclose(file);
    }
}

void ScriptStream::saveReadMarks() {
    size_t stored = std::min(scriptLength() / 8, read_marks.size());
    if (!replaceFile(sideFilePath("kidoku.dat"), read_marks.data(), stored))
        std::fprintf(stderr, "can't write kidoku.dat\n");
}

void ScriptStream::loadLog(NameLog& log) {
    clearLog(log);
    std::vector<uint8_t> bytes;
    if (!readWholeFile(sideFilePath(log.file_name.c_str()), FILE_BUFFER_LIMIT, bytes)) return;
    size_t p = 0;
    size_t end = bytes.size();
    // Every name takes at least its two quotes, which bounds a count the file overstates.
    int64_t limit = static_cast<int64_t>(end) + 1;
    int64_t count = 0;
    for (; p < end && bytes[p] != '\n'; ++p)
        count = std::clamp<int64_t>(count * 10 + (bytes[p] - '0'), -limit, limit);
    ++p; // the line feed
    std::string name;
    for (int64_t i = 0; i < count && p < end; ++i) {
        ++p; // the opening quote
        name.clear();
        for (; p < end && bytes[p] != '"'; ++p)
            name.push_back(static_cast<char>(bytes[p] ^ LOG_SCRAMBLE));
        ++p; // the closing quote
        findInLog(log, name.c_str(), true);
    }
}

void ScriptStream::saveLog(NameLog& log) {
    std::string text = std::to_string(log.names.size()) + '\n';
    for (const std::string& name : log.names) {
        text.push_back('"');
        for (char c : name)
            text.push_back(static_cast<char>(static_cast<uint8_t>(c) ^ LOG_SCRAMBLE));
        text.push_back('"');
    }
    std::string path = sideFilePath(log.file_name.c_str());
    if (!replaceFile(path, reinterpret_cast<const uint8_t*>(text.data()), text.size())) {
        std::fprintf(stderr, "can't write %s\n", path.c_str());
        exitProcess(-1);
    }
}

void ScriptStream::markRead(const char* pos) {
    if (!read_marks_on) return;
    size_t offset = offsetOf(pos);
    size_t byte = offset / 8;
    if (byte >= read_marks.size()) return;
    uint8_t bit = static_cast<uint8_t>(1u << (offset % 8));
    was_read = (read_marks[byte] & bit) != 0;
    read_marks[byte] |= bit;
}

int32_t ScriptStream::findInLog(NameLog& log, const char* name, bool add) {
    // Every jump logs its label, so the look-up must not grow with the log.
    std::string normal = normalise(name);
    auto found = log.index.find(normal);
    if (found != log.index.end()) return found->second;
    if (!add) return -1;
    auto position = static_cast<int32_t>(log.names.size());
    log.index.emplace(normal, position);
    log.names.push_back(std::move(normal));
    return position;
}

} // namespace velmora
