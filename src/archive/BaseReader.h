// The one interface through which every resource a script names is read:
// loose files under the archive path, or entries of the game's archives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmora {

// How an entry's stored bytes are encoded.
enum class CompressionType : int32_t { None = 0, SPB = 1, LZSS = 2, VBZ = 4 };

// Where readFile found a name.
enum class ArchiveLocation : int32_t { Direct = 0, Sar = 1, Vla = 2, Vl2 = 4 };

// One file of an archive index.
struct ArchiveEntry {
    std::string name;                                    // upper-cased (a-z only) as in the index
    CompressionType compression = CompressionType::None; // None: the extension decides
    int32_t offset = 0;          // absolute position of the stored data in the archive file
    int32_t length = 0;          // bytes stored
    int32_t unpacked_length = 0; // bytes after decoding; 0 until known
};

class BaseReader {
  public:
    virtual ~BaseReader() = default;
    // Opens (adds) an archive; 0 on success.
    virtual int32_t openArchive(const std::string& name) = 0;
    virtual int32_t closeArchives() = 0;
    // "direct", "sar", "vla" ...: what kind of reader this is.
    virtual const char* kindName() const = 0;
    // Entries of all open archives (loose files not counted).
    virtual int32_t entryCount() const = 0;
    // Entries named with this extension are decoded as `type`.
    virtual void addCompressionRule(const std::string& extension, CompressionType type) = 0;
    // The index-th entry over all archives in search order.
    virtual ArchiveEntry getFileByIndex(int32_t index) = 0;
    // Decoded length of the named resource; 0 means not found.
    virtual int32_t fileLength(const std::string& name) = 0;
    // Writes at most `capacity` decoded bytes of the named resource into
    // buffer; returns the bytes written, 0 when not found. `location`, when
    // given, tells where the name was found.
    virtual int32_t readFile(const std::string& name, uint8_t* buffer, size_t capacity,
                             ArchiveLocation* location = nullptr) = 0;
};

} // namespace velmora
