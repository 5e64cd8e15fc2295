// libFuzzer targets for the archive index parsers, one executable per format:
// INDEX_KIND is 1 (SAR), 2 (vla) or 4 (vl2), as ArchiveLocation numbers them.
//
// Input layout: for vla and vl2 the first byte modulo 3 is the number of
// leading bytes to skip; the rest (for SAR all of it) becomes the archive
// file. The archive is opened by the engine's reader, and every entry of its
// index is measured and read into a buffer of exactly the measured size.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "archive/VlaReader.h"

#ifndef INDEX_KIND
#error "INDEX_KIND must name the index format"
#endif

namespace {

using velmora::ArchiveLocation;

constexpr auto KIND = static_cast<ArchiveLocation>(INDEX_KIND);
// Entries whose decoded size is larger are measured but not read: decoding
// them is slow, not interesting.
constexpr int32_t READ_LIMIT = 1 << 20;
constexpr int32_t ENTRY_LIMIT = 64;

std::string scratch_dir;

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "index_fuzzer: invariant broken: %s\n", what);
    std::abort();
}

const char* archiveName() {
    switch (KIND) {
    case ArchiveLocation::Sar: return "arc.sar";
    case ArchiveLocation::Vla: return "arc.vla";
    default: return "00.vl2";
    }
}

std::unique_ptr<velmora::SarReader> openReader(const uint8_t*& data, size_t& size) {
    if (KIND == ArchiveLocation::Sar) return std::make_unique<velmora::SarReader>(scratch_dir);
    int32_t skip = 0;
    if (size > 0) {
        skip = data[0] % 3;
        ++data;
        --size;
    }
    return std::make_unique<velmora::VlaReader>(
        skip, scratch_dir, velmora::ARCHIVE_KIND_VLA | velmora::ARCHIVE_KIND_VL2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (scratch_dir.empty()) {
        char pattern[] = "/tmp/index_fuzzer_XXXXXX";
        require(mkdtemp(pattern) != nullptr, "the scratch directory is made");
        scratch_dir = std::string(pattern) + "/";
    }
    std::unique_ptr<velmora::SarReader> reader = openReader(data, size);
    FILE* file = std::fopen((scratch_dir + archiveName()).c_str(), "wb");
    require(file != nullptr, "the archive is written");
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    const bool sar = KIND == ArchiveLocation::Sar;
    require(reader->openArchive(sar ? archiveName() : "") == 0, "the archive opens");
    const int32_t count = reader->entryCount();
    require(count >= 0, "the entry count is not negative");
    for (int32_t i = 0; i < count && i < ENTRY_LIMIT; ++i) {
        const velmora::ArchiveEntry entry = reader->getFileByIndex(i);
        require(entry.name.size() < 256, "a stored name fits its field");
        const int32_t length = reader->fileLength(entry.name);
        require(length >= 0, "a length is not negative");
        if (length == 0 || length > READ_LIMIT) continue;
        std::vector<uint8_t> buffer(static_cast<size_t>(length));
        const int32_t written = reader->readFile(entry.name, buffer.data(), buffer.size());
        require(written >= 0 && written <= length, "a read stays within the measured length");
    }
    return 0;
}
