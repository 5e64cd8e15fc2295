#include "archive/SarReader.h"

#include <algorithm>
#include <climits>
#include <sys/stat.h>

namespace velmora {

namespace {

// A stored name fills at most 255 bytes of a 256-byte field with its NUL.
constexpr size_t MAX_STORED_NAME = 255;
// The smallest SAR entry: an empty name's 0 byte and two 4-byte numbers.
constexpr int64_t MIN_SAR_ENTRY_SIZE = 9;
constexpr uint8_t VL2_QUOTE = 0x22;
// A vl2 index has no count; this bounds the memory a hostile one can claim.
constexpr size_t MAX_VL2_ENTRIES = size_t{1} << 18;

// Offsets and lengths beyond int32 cannot be held by an entry; -1 marks them
// so that the entry is never read.
int32_t narrowed(int64_t value) {
    return value >= 0 && value <= INT32_MAX ? static_cast<int32_t>(value) : -1;
}

// An LZSS code spends at least 13 bits on a match of at most 17 bytes, so a
// declared size beyond that ratio cannot come from the stored bytes.
bool lzssSizePlausible(const ArchiveEntry& entry) {
    const int64_t codes = (int64_t{entry.length} * 8 + 12) / 13;
    return entry.unpacked_length >= 0 && entry.unpacked_length <= MAX_DECODED_LENGTH &&
           entry.unpacked_length <= codes * 17;
}

} // namespace

int32_t ArchiveFile::find(const std::string& key) const {
    auto found = positions.find(key);
    return found == positions.end() ? -1 : found->second;
}

bool ArchiveFile::holds(const ArchiveEntry& entry) const {
    return entry.offset >= 0 && entry.length >= 0 &&
           int64_t{entry.offset} + entry.length <= file_size;
}

SarReader::SarReader(const std::string& path, const std::array<uint8_t, 256>* key)
    : DirectReader(path, key) {}

int32_t SarReader::openArchive(const std::string& name) {
    ArchiveFile archive;
    if (!openIndexed(name, ArchiveLocation::Sar, 0, archive)) return -1;
    archives.push_back(std::move(archive));
    return 0;
}

int32_t SarReader::closeArchives() {
    archives.clear();
    return 0;
}

const char* SarReader::kindName() const {
    return "sar";
}

int32_t SarReader::entryCount() const {
    return countEntries(archives);
}

ArchiveEntry SarReader::getFileByIndex(int32_t index) {
    return entryAt(archives, index, "SarReader");
}

int32_t SarReader::fileLength(const std::string& name) {
    int32_t length = DirectReader::fileLength(name);
    if (length != 0) return length;
    const std::string key = entryName(name);
    // The first archive holding the name decides, even with a length of 0.
    for (ArchiveFile& archive : archives) {
        int32_t i = archive.find(key);
        if (i >= 0) return entryLength(archive, i);
    }
    return 0;
}

int32_t SarReader::readFile(const std::string& name, uint8_t* buffer, size_t capacity,
                            ArchiveLocation* location) {
    int32_t written = DirectReader::readFile(name, buffer, capacity, location);
    if (written != 0) return written;
    const std::string key = entryName(name);
    for (ArchiveFile& archive : archives) {
        int32_t i = archive.find(key);
        if (i < 0) continue;
        written = readEntry(archive, i, buffer, capacity);
        if (written != 0) break;
    }
    if (location != nullptr) *location = ArchiveLocation::Sar;
    return written;
}

bool SarReader::openIndexed(const std::string& name, ArchiveLocation kind, int32_t skip,
                            ArchiveFile& archive) {
    FILE* file = openFile(name, "rb");
    if (file == nullptr) return false;
    archive.file.reset(file);
    archive.kind = kind;
    struct stat info {};
    archive.file_size = fstat(fileno(file), &info) == 0 ? info.st_size : 0;
    readIndex(archive, kind, skip);
    return true;
}

CompressionType SarReader::typeOf(const ArchiveEntry& entry) const {
    return entry.compression != CompressionType::None ? entry.compression
                                                      : compressionOf(entry.name);
}

int32_t SarReader::entryLength(ArchiveFile& archive, int32_t i) {
    const ArchiveEntry& entry = archive.entries[static_cast<size_t>(i)];
    if (!archive.holds(entry)) return 0;
    const CompressionType type = typeOf(entry);
    switch (type) {
    case CompressionType::VBZ:
    case CompressionType::SPB: return decodedLength(type, archive.file.get(), entry.offset);
    case CompressionType::LZSS: return lzssSizePlausible(entry) ? entry.unpacked_length : 0;
    case CompressionType::None: break;
    }
    // Stored plainly, whatever the index says the bytes would unpack to.
    return entry.length;
}

int32_t SarReader::readEntry(ArchiveFile& archive, int32_t i, uint8_t* buffer, size_t capacity) {
    const ArchiveEntry& entry = archive.entries[static_cast<size_t>(i)];
    if (!archive.holds(entry)) return 0;
    const CompressionType type = typeOf(entry);
    if (type == CompressionType::LZSS && !lzssSizePlausible(entry)) return 0;
    return readEntryData(archive.file.get(), entry, type, buffer, capacity);
}

ArchiveEntry SarReader::entryAt(std::vector<ArchiveFile>& list, int32_t index, const char* owner) {
    int32_t remaining = index;
    for (ArchiveFile& archive : list) {
        const auto count = static_cast<int32_t>(archive.entries.size());
        if (remaining >= 0 && remaining < count) {
            ArchiveEntry entry = archive.entries[static_cast<size_t>(remaining)];
            entry.compression = typeOf(entry);
            entry.unpacked_length = entryLength(archive, remaining);
            return entry;
        }
        remaining -= count;
    }
    std::fprintf(stderr, "%s::getFileByIndex  Index %d is out of range\n", owner, remaining);
    return ArchiveEntry{};
}

int32_t SarReader::countEntries(const std::vector<ArchiveFile>& list) {
    int64_t total = 0;
    for (const ArchiveFile& archive : list) total += static_cast<int64_t>(archive.entries.size());
    return static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
}

void SarReader::readIndex(ArchiveFile& archive, ArchiveLocation kind, int32_t skip) {
    FILE* file = archive.file.get();
    uint8_t ignored = 0;
    for (int32_t i = 0; i < skip; ++i)
        if (!readByte(file, ignored)) return;
    std::vector<bool> findable;
    if (kind == ArchiveLocation::Vl2)
        readVl2Index(archive, findable, skip);
    else
        readSarIndex(archive, findable, kind == ArchiveLocation::Vla, skip);
    indexNames(archive, findable);
}

void SarReader::readSarIndex(ArchiveFile& archive, std::vector<bool>& findable,
                             bool with_vla_fields, int64_t base) {
    FILE* file = archive.file.get();
    uint16_t count = 0;
    uint32_t data_offset = 0;
    if (!readInt16(file, count) || !readInt32(file, data_offset)) return;
    archive.data_start = base + data_offset;
    // A declared count is only trusted as far as the file could hold it.
    const auto expected =
        static_cast<size_t>(std::min<int64_t>(count, archive.file_size / MIN_SAR_ENTRY_SIZE));
    archive.entries.reserve(expected);
    for (uint16_t i = 0; i < count; ++i) {
        ArchiveEntry entry;
        bool too_long = false;
        if (!readName(file, 0, entry.name, too_long)) return;
        uint8_t type = 0;
        if (with_vla_fields && !readByte(file, type)) return;
        uint32_t offset = 0, length = 0;
        if (!readInt32(file, offset) || !readInt32(file, length)) return;
        uint32_t unpacked = length;
        if (with_vla_fields && !readInt32(file, unpacked)) return;
        entry.compression = static_cast<CompressionType>(type);
        entry.offset = narrowed(archive.data_start + offset);
        entry.length = narrowed(length);
        entry.unpacked_length = narrowed(unpacked);
        archive.entries.push_back(std::move(entry));
        findable.push_back(!too_long);
    }
}

void SarReader::readVl2Index(ArchiveFile& archive, std::vector<bool>& findable, int64_t base) {
    FILE* file = archive.file.get();
    uint32_t header_length = 0;
    if (!readInt32LE(file, header_length)) return;
    archive.data_start = base + header_length;
    // Entries carry no offsets: their data lie back to back in index order.
    int64_t position = archive.data_start;
    uint8_t quote = 0;
    while (archive.entries.size() < MAX_VL2_ENTRIES && readByte(file, quote) &&
           quote == VL2_QUOTE) {
        ArchiveEntry entry;
        bool too_long = false;
        uint32_t length = 0;
        if (!readName(file, VL2_QUOTE, entry.name, too_long) || !readInt32LE(file, length)) return;
        entry.offset = narrowed(position);
        entry.length = narrowed(length);
        entry.unpacked_length = entry.length;
        position += length;
        archive.entries.push_back(std::move(entry));
        findable.push_back(!too_long);
    }
}

bool SarReader::readName(FILE* file, uint8_t terminator, std::string& name, bool& too_long) {
    name.clear();
    too_long = false;
    uint8_t b = 0;
    while (true) {
        if (!readByte(file, b)) return false;
        if (b == terminator) return true;
        if (name.size() == MAX_STORED_NAME) {
            too_long = true;
            continue;
        }
        if (b >= 'a' && b <= 'z') b = static_cast<uint8_t>(b - 'a' + 'A');
        name.push_back(static_cast<char>(b));
    }
}

void SarReader::indexNames(ArchiveFile& archive, const std::vector<bool>& findable) {
    archive.positions.reserve(archive.entries.size());
    for (size_t i = 0; i < archive.entries.size(); ++i)
        if (findable[i])
            archive.positions.emplace(archive.entries[i].name, static_cast<int32_t>(i));
}

} // namespace velmora
