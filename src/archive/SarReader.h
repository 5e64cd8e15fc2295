// The reader of SAR archives: a list of archives, searched in the order they
// were opened, after the loose files. Also the home of the index formats that
// the numbered archive family shares.
#pragma once

#include "archive/DirectReader.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace velmora {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

// One opened archive and its index.
struct ArchiveFile {
    std::unique_ptr<FILE, FileCloser> file; // open for the reader's whole life
    ArchiveLocation kind = ArchiveLocation::Sar;
    std::vector<ArchiveEntry> entries; // stored order; compression as stored
    // Stored name -> first entry of that name. Names cut at 255 bytes are absent.
    // The keys view the names in `entries`, which stay put once the index is read.
    std::unordered_map<std::string_view, int32_t> positions;
    int64_t data_start = 0;
    int64_t file_size = 0;

    // The entry stored under `key` (in entryName form), or -1.
    int32_t find(const std::string& key) const;
    // The entry's stored bytes lie inside the file.
    bool holds(const ArchiveEntry& entry) const;
};

class SarReader : public DirectReader {
  public:
    explicit SarReader(const std::string& path = "", const std::array<uint8_t, 256>* key = nullptr);

    // Opens archive_path + name as a SAR archive and appends it; 0, or -1
    // when the file does not open.
    int32_t openArchive(const std::string& name) override;
    int32_t closeArchives() override;
    const char* kindName() const override;
    int32_t entryCount() const override;
    ArchiveEntry getFileByIndex(int32_t index) override;
    int32_t fileLength(const std::string& name) override;
    int32_t readFile(const std::string& name, uint8_t* buffer, size_t capacity,
                     ArchiveLocation* location = nullptr) override;

  protected:
    // Opens archive_path + name and reads its index of the given kind after
    // `skip` ignored bytes. False when the file does not open.
    bool openIndexed(const std::string& name, ArchiveLocation kind, int32_t skip,
                     ArchiveFile& archive);
    // The entry's type: as stored, or by its extension when stored as None.
    // Worked out on every call, so an extension registered after the archive
    // opened applies to fileLength and readFile alike.
    CompressionType typeOf(const ArchiveEntry& entry) const;
    // Decoded length of entry i; 0 for an entry that cannot be read.
    int32_t entryLength(ArchiveFile& archive, int32_t i);
    // Reads entry i into buffer (at most capacity bytes); bytes written.
    int32_t readEntry(ArchiveFile& archive, int32_t i, uint8_t* buffer, size_t capacity);
    // The index-th entry counted over `list` in order, with its type and
    // decoded length filled in; past the end, a message naming `owner` and an
    // empty entry.
    ArchiveEntry entryAt(std::vector<ArchiveFile>& list, int32_t index, const char* owner);
    // Total entries of `list`.
    static int32_t countEntries(const std::vector<ArchiveFile>& list);

    std::vector<ArchiveFile> archives; // SAR archives in search order

  private:
    void readIndex(ArchiveFile& archive, ArchiveLocation kind, int32_t skip);
    // The parsers append to archive.entries and, for each entry, whether it
    // may be found by name.
    void readSarIndex(ArchiveFile& archive, std::vector<bool>& findable, bool with_vla_fields,
                      int64_t base);
    void readVl2Index(ArchiveFile& archive, std::vector<bool>& findable, int64_t base);
    // Reads a name up to `terminator` (through the key table, a-z upper-cased);
    // false at end of file. Sets `too_long` for names over 255 bytes, which
    // are kept cut to 255.
    bool readName(FILE* file, uint8_t terminator, std::string& name, bool& too_long);
    // Fills `positions` from the complete index.
    static void indexNames(ArchiveFile& archive, const std::vector<bool>& findable);
};

} // namespace velmora
