#include "archive/VlaReader.h"

namespace velmora {

namespace {

constexpr int32_t MAX_VL2_ARCHIVES = 100; // 00 … 99
constexpr int32_t MAX_VLA_ARCHIVES = 10;  // arc, arc1 … arc9

} // namespace

VlaReader::VlaReader(int32_t skip, const std::string& path, int32_t kinds,
                     const std::array<uint8_t, 256>* key)
    : SarReader(path, key), skip(skip), kinds(kinds),
      vla_extension(key != nullptr ? "___" : "vla") {}

int32_t VlaReader::openArchive(const std::string& dir) {
    if (SarReader::openArchive("arc.sar") == 0) return 0;
    sar_mode = false;
    if (kinds & ARCHIVE_KIND_VL2) openMembers(dir, ArchiveLocation::Vl2);
    // vla archives are only a fallback for a game without vl2 ones.
    if (family.empty() && (kinds & ARCHIVE_KIND_VLA)) openMembers(dir, ArchiveLocation::Vla);
    return family.empty() ? -1 : 0;
}

int32_t VlaReader::closeArchives() {
    family.clear();
    return SarReader::closeArchives();
}

const char* VlaReader::kindName() const {
    return "vla";
}

int32_t VlaReader::entryCount() const {
    return sar_mode ? SarReader::entryCount() : countEntries(family);
}

ArchiveEntry VlaReader::getFileByIndex(int32_t index) {
    if (sar_mode) return SarReader::getFileByIndex(index);
    return entryAt(family, index, "VlaReader");
}

int32_t VlaReader::fileLength(const std::string& name) {
    if (sar_mode) return SarReader::fileLength(name);
    int32_t length = DirectReader::fileLength(name);
    if (length != 0) return length;
    const std::string key = entryName(name);
    // Unlike a SAR list, an entry of length 0 passes the search on.
    for (ArchiveFile& archive : family) {
        int32_t i = archive.find(key);
        if (i < 0) continue;
        length = entryLength(archive, i);
        if (length != 0) return length;
    }
    return 0;
}

int32_t VlaReader::readFile(const std::string& name, uint8_t* buffer, size_t capacity,
                            ArchiveLocation* location) {
    if (sar_mode) return SarReader::readFile(name, buffer, capacity, location);
    int32_t written = DirectReader::readFile(name, buffer, capacity, location);
    if (written != 0) return written;
    const std::string key = entryName(name);
    ArchiveLocation source = ArchiveLocation::Vla;
    for (ArchiveFile& archive : family) {
        int32_t i = archive.find(key);
        if (i < 0) continue;
        written = readEntry(archive, i, buffer, capacity);
        if (written != 0) {
            source = archive.kind;
            break;
        }
    }
    if (location != nullptr) *location = source;
    return written;
}

void VlaReader::openMembers(const std::string& dir, ArchiveLocation kind) {
    const int32_t limit = kind == ArchiveLocation::Vl2 ? MAX_VL2_ARCHIVES : MAX_VLA_ARCHIVES;
    for (int32_t i = 0; i < limit; ++i) {
        ArchiveFile archive;
        if (!openIndexed(memberName(dir, kind, i), kind, skip, archive)) return;
        family.push_back(std::move(archive));
    }
}

std::string VlaReader::memberName(const std::string& dir, ArchiveLocation kind, int32_t i) const {
    if (kind == ArchiveLocation::Vl2) {
        char number[3] = {static_cast<char>('0' + i / 10), static_cast<char>('0' + i % 10), 0};
        return dir + number + ".vl2";
    }
    return dir + "arc" + (i == 0 ? "" : std::to_string(i)) + "." + vla_extension;
}

} // namespace velmora
