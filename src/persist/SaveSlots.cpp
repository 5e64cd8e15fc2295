#include "persist/SaveSlots.h"

#include <sys/stat.h>

#include <ctime>

#include "persist/FileBuffer.h"

namespace velmora {

namespace {

constexpr uint8_t TEXT_QUOTE = '"';
constexpr uint8_t TEXT_END = '*';

} // namespace

std::string slotFileName(int32_t slot) {
    return "save" + std::to_string(slot) + ".dat";
}

std::string slotCopyName(int32_t slot) {
    return "sav/" + slotFileName(slot);
}

bool writeSlotFile(const std::string& path, const std::vector<uint8_t>& image, size_t offset,
                   const std::string* text) {
    std::vector<uint8_t> bytes(
        image.begin() + static_cast<std::ptrdiff_t>(std::min(offset, image.size())), image.end());
    if (text) {
        bytes.push_back(TEXT_QUOTE);
        bytes.insert(bytes.end(), text->begin(), text->end());
        bytes.push_back(TEXT_QUOTE);
        bytes.push_back(TEXT_END);
    }
    return replaceFile(path, bytes.data(), bytes.size());
}

std::optional<std::string> saveTextOf(const std::vector<uint8_t>& bytes) {
    const size_t size = bytes.size();
    if (size < 4 || bytes[size - 1] != TEXT_END || bytes[size - 2] != TEXT_QUOTE) return {};
    // The opening quote: the last one before the closing quote.
    size_t at = size - 3;
    while (at > 0 && bytes[at] != TEXT_QUOTE) --at;
    if (bytes[at] != TEXT_QUOTE) return {};
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at) + 1, bytes.end() - 2);
}

SaveSlotInfo slotInfo(const std::string& path) {
    SaveSlotInfo info;
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return info;
    std::tm local{};
    if (!localtime_r(&status.st_mtime, &local)) return info;
    info.exists = true;
    info.month = local.tm_mon + 1;
    info.day = local.tm_mday;
    info.hour = local.tm_hour;
    info.minute = local.tm_min;
    return info;
}

} // namespace velmora
