// The reader of loose files under the archive path, and the base of the
// archive readers: it owns the key table, the compression registry, the byte
// readers and the decoders of compressed data that all readers share.
#pragma once

#include "archive/BaseReader.h"
#include "archive/BitReader.h"
#include "archive/CaseInsensitiveLookup.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

// Declared decoded sizes above this make an entry unreadable (length 0).
inline constexpr int64_t MAX_DECODED_LENGTH = int64_t{256} << 20;

class DirectReader : public BaseReader {
  public:
    // `path` prefixes every file opened (empty, or ending in '/'). With a key
    // table, stored bytes are substituted through it as each format requires.
    explicit DirectReader(const std::string& path = "",
                          const std::array<uint8_t, 256>* key = nullptr);
    ~DirectReader() override = default;
    DirectReader(const DirectReader&) = delete;
    DirectReader& operator=(const DirectReader&) = delete;

    int32_t openArchive(const std::string& name) override;
    int32_t closeArchives() override;
    const char* kindName() const override;
    int32_t entryCount() const override;
    void addCompressionRule(const std::string& extension, CompressionType type) override;
    ArchiveEntry getFileByIndex(int32_t index) override;
    int32_t fileLength(const std::string& name) override;
    int32_t readFile(const std::string& name, uint8_t* buffer, size_t capacity,
                     ArchiveLocation* location = nullptr) override;

    // A loose-file name in platform form: at most 256 bytes, '\\' and '/' as
    // '/', Shift_JIS trail bytes left alone.
    static std::string looseName(const std::string& name);

  protected:
    // Opens archive_path + name; a mode that only reads finds the name in any
    // letter case when it does not exist as given. Only regular files open.
    // Null on failure.
    FILE* openFile(const std::string& name, const char* mode);

    // Byte readers: bytes pass through key_table; false at end of file, with
    // `value` untouched.
    bool readByte(FILE* file, uint8_t& value);
    bool readInt16(FILE* file, uint16_t& value);   // big-endian
    bool readInt32(FILE* file, uint32_t& value);   // big-endian
    bool readInt32LE(FILE* file, uint32_t& value); // little-endian

    // The type that the name's extension (after its last '.') registers;
    // None for a name without '.'.
    CompressionType compressionOf(const std::string& name) const;

    // A name as archive indexes store it: at most 256 bytes, a-z upper-cased,
    // '/' turned into '\\' (byte by byte, as the stored names were made).
    static std::string entryName(const std::string& name);

    // The length that decoding VBZ or SPB data at `offset` will produce, from
    // the data's own header; 0 for other types, for unreadable headers and for
    // sizes above MAX_DECODED_LENGTH.
    int32_t decodedLength(CompressionType type, FILE* file, int64_t offset);

    // Decoders of data at `offset` of an open file; each writes at most
    // `capacity` bytes and returns the bytes written.
    int32_t unpackVBZ(FILE* file, int64_t offset, uint8_t* buffer, size_t capacity);
    int32_t unpackSPB(FILE* file, int64_t offset, uint8_t* buffer, size_t capacity);
    int32_t unpackLZSS(FILE* file, int64_t offset, int32_t unpacked_length, uint8_t* buffer,
                       size_t capacity);

    // An archive entry's bytes: decoded as `type`, or for None its `length`
    // stored bytes, substituted when key_table_on. At most `capacity` bytes.
    int32_t readEntryData(FILE* file, const ArchiveEntry& entry, CompressionType type,
                          uint8_t* buffer, size_t capacity);

    std::string archive_path;
    std::array<uint8_t, 256> key_table{};
    bool key_table_on = false;
    // (upper-cased extension, type); the first equal extension wins.
    std::vector<std::pair<std::string, CompressionType>> compression_registry;
    BitReader bit_reader;
    std::vector<uint8_t> decode_buffer; // one SPB colour plane; only grows

  private:
    // Opens a loose file by its converted name; `type` and `length` as the
    // name's extension and the file's header or size give them.
    FILE* openDirect(const std::string& name, CompressionType& type, int32_t& length);

    CaseInsensitiveLookup case_lookup;
};

} // namespace velmora
