// Read marks over the script bytes, and the label and file name logs.
#include "script/ScriptStream.h"

namespace velmora {

namespace {
// Names are kept in a 256-byte form: longer names are cut to 255 bytes.
constexpr size_t MAX_LOG_NAME = 255;
} // namespace

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
    std::string normal;
    for (const char* p = name; *p && normal.size() < MAX_LOG_NAME; ++p) {
        char c = *p;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c == '/') c = '\\';
        normal.push_back(c);
    }
    for (size_t i = 0; i < log.names.size(); ++i)
        if (log.names[i] == normal) return static_cast<int32_t>(i);
    if (!add) return -1;
    log.names.push_back(std::move(normal));
    return static_cast<int32_t>(log.names.size()) - 1;
}

} // namespace velmora
