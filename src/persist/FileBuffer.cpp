#include "persist/FileBuffer.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace velmora {

bool readWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& out) {
    out.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    // Read in chunks rather than trusting a reported size: the file may change or lie.
    uint8_t chunk[65536];
    while (out.size() < limit) {
        size_t want = std::min(sizeof chunk, limit - out.size());
        size_t got = std::fread(chunk, 1, want, file);
        out.insert(out.end(), chunk, chunk + got);
        if (got < want) break;
    }
    std::fclose(file);
    return true;
}

bool replaceFile(const std::string& path, const uint8_t* data, size_t size) {
    std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return false;
    bool written = (size == 0 || std::fwrite(data, 1, size, file) == size);
    written = std::fflush(file) == 0 && written;
    written = fsync(fileno(file)) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (written && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    std::remove(temporary.c_str());
    return false;
}

void FileBuffer::clear() {
    data.clear();
    read_position = 0;
}

bool FileBuffer::load(const std::string& path) {
    read_position = 0;
    return readWholeFile(path, FILE_BUFFER_LIMIT, data);
}

void FileBuffer::assign(const uint8_t* bytes, size_t size) {
    data.assign(bytes, bytes + size);
    read_position = 0;
}

void FileBuffer::writeInt(int32_t value) {
    uint32_t bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) data.push_back(static_cast<uint8_t>(bits >> shift));
}

void FileBuffer::writeString(const std::string& text) {
    // A 0 inside the text would end it early when read back; stop there now.
    size_t length = std::strlen(text.c_str());
    data.insert(data.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
    data.push_back(0);
}

void FileBuffer::writeBytes(const uint8_t* bytes, size_t size) {
    data.insert(data.end(), bytes, bytes + size);
}

int32_t FileBuffer::readInt() {
    uint32_t bits = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t byte = read_position < data.size() ? data[read_position] : 0;
        ++read_position;
        bits |= byte << shift;
    }
    return static_cast<int32_t>(bits);
}

uint8_t FileBuffer::readByte() {
    uint8_t byte = read_position < data.size() ? data[read_position] : 0;
    ++read_position;
    return byte;
}

std::string FileBuffer::readString() {
    std::string text;
    while (read_position < data.size() && data[read_position] != 0)
        text.push_back(static_cast<char>(data[read_position++]));
    ++read_position; // the terminating 0, or one step past the end
    return text;
}

std::vector<uint8_t> FileBuffer::readRest() {
    std::vector<uint8_t> rest;
    if (read_position < data.size())
        rest.assign(data.begin() + static_cast<std::ptrdiff_t>(read_position), data.end());
    read_position = data.size();
    return rest;
}

} // namespace velmora
