// The engine's byte buffer for side files and save files: int32 values are
// little-endian, strings end with a 0 byte, and reads past the end give 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// No file the engine reads back is larger; the rest of a longer file is not read.
constexpr size_t FILE_BUFFER_LIMIT = 16u << 20;

// Reads at most `limit` bytes of the file into `out`; false when it cannot be opened.
bool readWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& out);
// Writes `size` bytes to a temporary file beside `path` and renames it over
// `path`, so the old file stays whole unless the new one was written whole.
bool replaceFile(const std::string& path, const uint8_t* data, size_t size);

class FileBuffer {
  public:
    // Empties the buffer and starts reading or writing at its beginning.
    void clear();
    // Replaces the contents by the file's; false (and empty) when it cannot be opened.
    bool load(const std::string& path);
    // Replaces the contents by a copy of `size` bytes at `bytes`.
    void assign(const uint8_t* bytes, size_t size);
    bool save(const std::string& path) const { return replaceFile(path, data.data(), data.size()); }

    void writeInt(int32_t value);
    void writeByte(uint8_t value) { data.push_back(value); }
    // An empty string is written as the terminating 0 alone.
    void writeString(const std::string& text);
    void writeBytes(const uint8_t* bytes, size_t size);

    int32_t readInt();
    uint8_t readByte();
    // The bytes up to the next 0 byte or the end; empty stands for absent.
    std::string readString();
    // Everything not read yet; the read position moves to the end.
    std::vector<uint8_t> readRest();

    const std::vector<uint8_t>& bytes() const { return data; }
    size_t size() const { return data.size(); }
    bool atEnd() const { return read_position >= data.size(); }
    // The bytes not read yet.
    size_t remaining() const { return atEnd() ? 0 : data.size() - read_position; }
    // Some read went past the end (and gave 0 or absent for what was missing).
    bool overran() const { return read_position > data.size(); }

  private:
    std::vector<uint8_t> data;
    size_t read_position = 0;
};

} // namespace velmora
