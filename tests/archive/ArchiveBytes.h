// Archive files built byte by byte in each index layout, for the reader tests
// and the whole-game tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

// One entry as an archive stores it.
struct StoredEntry {
    std::string name; // exactly as written into the index
    std::string data; // the stored bytes
    uint8_t compression = 0;
    uint32_t unpacked = 0; // the index's decoded length (vla only)
};

inline std::string bigEndian(uint32_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>(value >> (8 * i)));
    return out;
}

inline std::string littleEndian32(uint32_t value) {
    std::string out;
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
    return out;
}

// SAR, or with `vla_fields` the vla layout: `lead` ignored bytes, count, data
// start (counted after `lead`), then name, [type,] offset, length, [unpacked]
// per entry, then the data back to back.
inline std::string sarOrVla(const std::vector<StoredEntry>& entries, bool vla_fields,
                            const std::string& lead = "") {
    std::string index, data;
    for (const StoredEntry& e : entries) {
        index += e.name + '\0';
        if (vla_fields) index += static_cast<char>(e.compression);
        index += bigEndian(static_cast<uint32_t>(data.size()), 4);
        index += bigEndian(static_cast<uint32_t>(e.data.size()), 4);
        if (vla_fields) index += bigEndian(e.unpacked, 4);
        data += e.data;
    }
    const auto data_start = static_cast<uint32_t>(6 + index.size());
    return lead + bigEndian(static_cast<uint32_t>(entries.size()), 2) + bigEndian(data_start, 4) +
           index + data;
}

inline std::string sarArchive(const std::vector<StoredEntry>& entries) {
    return sarOrVla(entries, false);
}

inline std::string vlaArchive(const std::vector<StoredEntry>& entries,
                              const std::string& lead = "") {
    return sarOrVla(entries, true, lead);
}

// vl2: `lead` ignored bytes, the header length (little-endian), then per
// entry a quote, the name, a quote and the length; a 0 byte ends the index.
inline std::string vl2Archive(const std::vector<StoredEntry>& entries,
                              const std::string& lead = "") {
    std::string index, data;
    for (const StoredEntry& e : entries) {
        index += '"' + e.name + '"' + littleEndian32(static_cast<uint32_t>(e.data.size()));
        data += e.data;
    }
    index += '\0';
    return lead + littleEndian32(static_cast<uint32_t>(4 + index.size())) + index + data;
}

// A bijection on bytes for keyed games.
inline std::array<uint8_t, 256> testKeyTable() {
    std::array<uint8_t, 256> key{};
    for (int i = 0; i < 256; ++i) key[i] = static_cast<uint8_t>(i * 7 + 3);
    return key;
}

// The stored form that `key` turns back into `plain`.
inline std::string keyed(const std::array<uint8_t, 256>& key, const std::string& plain) {
    std::array<uint8_t, 256> inverse{};
    for (int i = 0; i < 256; ++i) inverse[key[i]] = static_cast<uint8_t>(i);
    std::string stored;
    for (char c : plain) stored.push_back(static_cast<char>(inverse[static_cast<uint8_t>(c)]));
    return stored;
}

} // namespace velmora::test
