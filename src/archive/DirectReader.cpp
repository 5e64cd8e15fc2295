#include "archive/DirectReader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <sys/stat.h>

namespace velmora {

namespace {

// Names longer than this are looked up by their first NAME_LIMIT bytes.
constexpr size_t NAME_LIMIT = 256;

bool isShiftJisLead(unsigned char b) {
    return (b >= 0x80 && b <= 0x9F) || b >= 0xE0;
}

std::string upperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool isRegularFile(FILE* file) {
    struct stat info {};
    return fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
}

FILE* openRegular(const std::string& path, const char* mode) {
    FILE* file = std::fopen(path.c_str(), mode);
    if (file != nullptr && !isRegularFile(file)) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

} // namespace

DirectReader::DirectReader(const std::string& path, const std::array<uint8_t, 256>* key)
    : archive_path(path), key_table_on(key != nullptr) {
    if (key != nullptr) {
        key_table = *key;
    } else {
        for (size_t i = 0; i < key_table.size(); ++i) key_table[i] = static_cast<uint8_t>(i);
    }
    compression_registry = {{"VBZ", CompressionType::VBZ},
                            {"SPB", CompressionType::SPB},
                            {"JPG", CompressionType::None},
                            {"GIF", CompressionType::None}};
}

int32_t DirectReader::openArchive(const std::string&) {
    return 0;
}

int32_t DirectReader::closeArchives() {
    return 0;
}

const char* DirectReader::kindName() const {
    return "direct";
}

int32_t DirectReader::entryCount() const {
    return 0;
}

void DirectReader::addCompressionRule(const std::string& extension, CompressionType type) {
    compression_registry.emplace_back(upperAscii(extension), type);
}

ArchiveEntry DirectReader::getFileByIndex(int32_t) {
    return ArchiveEntry{};
}

FILE* DirectReader::openFile(const std::string& name, const char* mode) {
    if (std::strpbrk(mode, "wa+") != nullptr) return openRegular(archive_path + name, mode);
    std::string resolved = case_lookup.resolve(archive_path, name);
    return resolved.empty() ? nullptr : openRegular(resolved, mode);
}

bool DirectReader::readByte(FILE* file, uint8_t& value) {
    int c = std::getc(file);
    if (c == EOF) return false;
    value = key_table[static_cast<uint8_t>(c)];
    return true;
}

bool DirectReader::readInt16(FILE* file, uint16_t& value) {
    uint8_t b0 = 0, b1 = 0;
    if (!readByte(file, b0) || !readByte(file, b1)) return false;
    value = static_cast<uint16_t>(b0 << 8 | b1);
    return true;
}

bool DirectReader::readInt32(FILE* file, uint32_t& value) {
    uint32_t result = 0;
    for (int i = 0; i < 4; ++i) {
        uint8_t b = 0;
        if (!readByte(file, b)) return false;
        result = result << 8 | b;
    }
    value = result;
    return true;
}

bool DirectReader::readInt32LE(FILE* file, uint32_t& value) {
    uint32_t big = 0;
    if (!readInt32(file, big)) return false;
    value = (big >> 24) | (big >> 8 & 0xFF00) | (big << 8 & 0xFF0000) | (big << 24);
    return true;
}

CompressionType DirectReader::compressionOf(const std::string& name) const {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return CompressionType::None;
    std::string extension = upperAscii(name.substr(dot + 1));
    for (const auto& [registered, type] : compression_registry)
        if (registered == extension) return type;
    return CompressionType::None;
}

std::string DirectReader::looseName(const std::string& name) {
    std::string converted = name.substr(0, NAME_LIMIT);
    for (size_t i = 0; i < converted.size(); ++i) {
        auto b = static_cast<unsigned char>(converted[i]);
        if (b == '\\' || b == '/')
            converted[i] = '/';
        else if (isShiftJisLead(b))
            ++i; // the trail byte may be 0x5C and is not a separator
    }
    return converted;
}

std::string DirectReader::entryName(const std::string& name) {
    std::string converted = upperAscii(name.substr(0, NAME_LIMIT));
    std::replace(converted.begin(), converted.end(), '/', '\\');
    return converted;
}

FILE* DirectReader::openDirect(const std::string& name, CompressionType& type, int32_t& length) {
    std::string converted = looseName(name);
    // The shortest name with an extension has three bytes; shorter ones are never files.
    if (converted.size() < 3) return nullptr;
    FILE* file = openFile(converted, "rb");
    if (file == nullptr) return nullptr;
    type = compressionOf(converted);
    if (type == CompressionType::VBZ || type == CompressionType::SPB) {
        length = decodedLength(type, file, 0);
    } else {
        struct stat info {};
        bool sized = fstat(fileno(file), &info) == 0 && info.st_size <= INT32_MAX;
        length = sized ? static_cast<int32_t>(info.st_size) : 0;
    }
    return file;
}

int32_t DirectReader::fileLength(const std::string& name) {
    CompressionType type = CompressionType::None;
    int32_t length = 0;
    FILE* file = openDirect(name, type, length);
    if (file == nullptr) return 0;
    std::fclose(file);
    return length;
}

int32_t DirectReader::readFile(const std::string& name, uint8_t* buffer, size_t capacity,
                               ArchiveLocation* location) {
    CompressionType type = CompressionType::None;
    int32_t length = 0;
    FILE* file = openDirect(name, type, length);
    if (file == nullptr) return 0;
    int32_t written = 0;
    if (type == CompressionType::VBZ) {
        written = unpackVBZ(file, 0, buffer, capacity);
    } else if (type == CompressionType::SPB) {
        written = unpackSPB(file, 0, buffer, capacity);
    } else {
        // Loose files are stored plainly even when a key table is on.
        size_t wanted = std::min(static_cast<size_t>(length), capacity);
        written = static_cast<int32_t>(std::fread(buffer, 1, wanted, file));
    }
    std::fclose(file);
    if (location != nullptr) *location = ArchiveLocation::Direct;
    return written;
}

} // namespace velmora
