// Slot files on disk: their names, writing one without ever losing the last
// good save, the save text that may follow the save image, and when a slot
// was last written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// "save%d.dat": the slot file.
std::string slotFileName(int32_t slot);
// "sav/save%d.dat": the copy of the slot without its header.
std::string slotCopyName(int32_t slot);

// Writes image[offset..] and, with a text, the trailer `"text"*` to a
// temporary file beside `path` and renames it over `path`. False when the
// file could not be written whole; the old file is then left as it was.
bool writeSlotFile(const std::string& path, const std::vector<uint8_t>& image, size_t offset,
                   const std::string* text);

// The save text at the end of a slot file's bytes; none when the file does not end in one.
std::optional<std::string> saveTextOf(const std::vector<uint8_t>& bytes);

// When a slot was last written, in local time, for the menus and savetime.
struct SaveSlotInfo {
    bool exists = false;
    int32_t month = 0;
    int32_t day = 0;
    int32_t hour = 0;
    int32_t minute = 0;
};
SaveSlotInfo slotInfo(const std::string& path);

} // namespace velmora
