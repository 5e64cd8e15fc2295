// Writes SAR, vla and vl2 archives: the index in the exact layout the readers
// parse, followed by the entries' stored data back to back in index order.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "archive/BaseReader.h"

namespace velmora {

enum class ArchiveKind { Sar, Vla, Vl2 };

// Longest entry name an index may hold (the readers keep 255 bytes and a 0).
inline constexpr size_t MAX_ENTRY_NAME = 255;
// Most entries of a SAR or vla index (its count is 16 bits).
inline constexpr size_t MAX_COUNTED_ENTRIES = 65535;
// Most bytes a vla or vl2 archive may skip before its index.
inline constexpr int32_t MAX_SKIP = 2;

// How many leading bytes of an entry's stored data a reader passes through its
// key table when it decodes the data as `coding`: only the length prefix of
// VBZ data, everything of any other kind.
size_t keyedPrefix(CompressionType coding, size_t size);

// Why `name` cannot be stored in an index of `kind`; empty when it can.
std::string entryNameProblem(ArchiveKind kind, const std::string& name);

// One entry's data as the writer receives it.
struct EntryData {
    // How a reader will decode the bytes; decides which bytes a key covers.
    CompressionType coding = CompressionType::None;
    // The type a vla index records; None leaves it to the name's extension.
    // SAR and vl2 indexes record no type.
    CompressionType index_type = CompressionType::None;
    // The stored bytes as a reader sees them after key substitution.
    std::span<const uint8_t> bytes;
    // Length after decoding (vla indexes record it).
    uint32_t decoded_length = 0;
};

class ArchiveWriter {
  public:
    // `skip` bytes precede a vla or vl2 index (0 for SAR). With `key` (the
    // table a reader is given), every byte the reader substitutes is written
    // through the table's inverse, so that the reader gets the plain bytes.
    explicit ArchiveWriter(ArchiveKind kind, int32_t skip = 0,
                           const std::array<uint8_t, 256>* key = nullptr);
    ~ArchiveWriter();
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // Creates the archive file for entries with these names (with '\\'
    // between directories), in index order. Names must be unique after
    // upper-casing, as the readers compare them.
    bool begin(const std::string& path, const std::vector<std::string>& names, std::string& error);
    // Appends the data of the next entry in name order.
    bool add(const EntryData& entry, std::string& error);
    // Writes the index once every entry has been added; the archive is then
    // complete and closed.
    bool finish(std::string& error);

  private:
    struct Record {
        CompressionType index_type;
        uint32_t offset; // from the start of the data region
        uint32_t length;
        uint32_t decoded_length;
    };

    size_t indexSize() const;
    std::vector<uint8_t> buildIndex() const;
    bool invertKey(std::string& error);
    bool fail(const std::string& message, std::string& error);

    ArchiveKind kind;
    int32_t skip;
    std::optional<std::array<uint8_t, 256>> key_table; // stored byte -> plain byte
    std::array<uint8_t, 256> inverse_key{};            // plain byte -> stored byte
    FILE* file = nullptr;
    std::string path;
    std::vector<std::string> names;
    std::vector<Record> records;
    uint64_t data_length = 0;
};

} // namespace velmora
