#include "script/KeyTable.h"

#include <cstdio>

#include "script/ScriptStream.h"

namespace velmora {

bool createKeyTable(const std::string& path, std::array<uint8_t, 256>& table) {
    if (path.empty()) return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        std::fprintf(stderr, "createKeyTable: can't open EXE file %s\n", path.c_str());
        return false;
    }
    for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<uint8_t>(i);

    // A window of pairwise distinct consecutive bytes, kept in a ring; where[v]
    // is the ring slot of value v while it is in the window, or -1.
    uint8_t ring[256];
    int where[256];
    for (int& w : where) w = -1;
    int head = 0;  // ring slot of the window's oldest byte
    int count = 0; // bytes in the window
    bool found = false;
    int c;
    while (!found && (c = std::fgetc(file)) != EOF) {
        if (where[c] >= 0) {
            // Drop the window's bytes up to and including the earlier occurrence.
            int drop = (where[c] - head + 256) % 256 + 1;
            for (int i = 0; i < drop; ++i) {
                where[ring[head]] = -1;
                head = (head + 1) % 256;
            }
            count -= drop;
        } else if (count == 255) {
            ring[(head + count) % 256] = static_cast<uint8_t>(c);
            found = true;
            break;
        }
        int slot = (head + count) % 256;
        ring[slot] = static_cast<uint8_t>(c);
        where[c] = slot;
        ++count;
    }
    std::fclose(file);
    if (!found) reportParseError("(key table)", 0, "createKeyTable: can't find a key table.");
    for (int i = 0; i < 256; ++i) table[ring[(head + i) % 256]] = static_cast<uint8_t>(i);
    return true;
}

} // namespace velmora
