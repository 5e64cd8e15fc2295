// The reader of the numbered archive family: 00.vl2 … 99.vl2, or arc.vla and
// arc1.vla … arc9.vla. When the game directory holds arc.sar it reads that
// instead, exactly as a SarReader.
#pragma once

#include "archive/SarReader.h"

namespace velmora {

// Bits of the `kinds` argument: which members of the family to look for.
constexpr int32_t ARCHIVE_KIND_VLA = 2;
constexpr int32_t ARCHIVE_KIND_VL2 = 4;

class VlaReader : public SarReader {
  public:
    // Every archive of the family begins with `skip` ignored bytes.
    VlaReader(int32_t skip, const std::string& path, int32_t kinds,
              const std::array<uint8_t, 256>* key = nullptr);

    // Opens arc.sar, or else the family under the directory prefix `dir`
    // (empty or ending in '/'); 0 when any archive opened, else -1.
    int32_t openArchive(const std::string& dir) override;
    int32_t closeArchives() override;
    const char* kindName() const override;
    int32_t entryCount() const override;
    ArchiveEntry getFileByIndex(int32_t index) override;
    int32_t fileLength(const std::string& name) override;
    int32_t readFile(const std::string& name, uint8_t* buffer, size_t capacity,
                     ArchiveLocation* location = nullptr) override;

  private:
    // Opens the members of one kind in numbered order until the first that
    // does not open.
    void openMembers(const std::string& dir, ArchiveLocation kind);
    // The file name of member i of the kind: "00.vl2" …, or "arc.vla", "arc1.vla" ….
    std::string memberName(const std::string& dir, ArchiveLocation kind, int32_t i) const;

    bool sar_mode = true; // stays set when arc.sar opened
    int32_t skip;
    int32_t kinds;
    std::string vla_extension; // "vla", or "___" under a key table
    // 00.vl2, 01.vl2 … or arc.vla, arc1.vla …: in search order.
    std::vector<ArchiveFile> family;
};

} // namespace velmora
