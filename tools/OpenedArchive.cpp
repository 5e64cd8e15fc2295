#include "OpenedArchive.h"

#include <cstdlib>

#include "archive/SarReader.h"
#include "archive/VlaReader.h"

namespace velmora::tool {

namespace fs = std::filesystem;

namespace {

// Where the archive is shown to the reader, relative to the reader's empty
// archive path, so that no loose file can hide an entry.
constexpr const char* LOOSE_DIRECTORY = "loose";
constexpr const char* ARCHIVE_DIRECTORY = "archive";

// The name under which the reader opens the first archive of the kind.
std::string familyName(ArchiveKind kind, bool keyed) {
    switch (kind) {
    case ArchiveKind::Sar: return "arc.sar";
    case ArchiveKind::Vla: return keyed ? "arc.___" : "arc.vla";
    case ArchiveKind::Vl2: return "00.vl2";
    }
    return {};
}

bool makeScratch(fs::path& scratch, std::string& error) {
    std::string pattern = (fs::temp_directory_path() / "velmora-archive-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        error = "can't create a scratch directory under " + fs::temp_directory_path().string();
        return false;
    }
    scratch = pattern;
    std::error_code ec;
    fs::create_directory(scratch / LOOSE_DIRECTORY, ec);
    if (!ec) fs::create_directory(scratch / ARCHIVE_DIRECTORY, ec);
    if (ec) {
        error = "can't prepare " + scratch.string() + ": " + ec.message();
        return false;
    }
    return true;
}

} // namespace

OpenedArchive::~OpenedArchive() {
    archive_reader.reset(); // closes the archive before its link goes
    if (!scratch.empty()) {
        std::error_code ec;
        fs::remove_all(scratch, ec);
    }
}

bool OpenedArchive::open(const ToolOptions& options, std::string& error) {
    const ArchiveKind kind = *options.kind;
    std::error_code ec;
    if (!fs::is_regular_file(options.archive, ec)) {
        error = "can't open " + options.archive + ": no such file";
        return false;
    }
    if (!makeScratch(scratch, error)) return false;
    const bool keyed = options.key_table.has_value();
    fs::path link = scratch / ARCHIVE_DIRECTORY / familyName(kind, keyed);
    fs::create_symlink(fs::absolute(options.archive), link, ec);
    if (ec) {
        error = "can't link " + options.archive + " into " + scratch.string() + ": " + ec.message();
        return false;
    }

    const std::string loose_path = (scratch / LOOSE_DIRECTORY).string() + "/";
    const std::string archive_dir = std::string("../") + ARCHIVE_DIRECTORY + "/";
    const std::array<uint8_t, 256>* key = keyed ? &*options.key_table : nullptr;
    int32_t status = -1;
    if (kind == ArchiveKind::Sar) {
        archive_reader = std::make_unique<SarReader>(loose_path, key);
        status = archive_reader->openArchive(archive_dir + familyName(kind, keyed));
    } else {
        int32_t kinds = kind == ArchiveKind::Vla ? ARCHIVE_KIND_VLA : ARCHIVE_KIND_VL2;
        archive_reader = std::make_unique<VlaReader>(options.skip, loose_path, kinds, key);
        status = archive_reader->openArchive(archive_dir);
    }
    if (status != 0) {
        error = "can't open " + options.archive + " as an archive";
        return false;
    }
    for (const std::string& extension : options.vbz_extensions) {
        archive_reader->addCompressionRule(extension, CompressionType::VBZ);
    }
    return true;
}

} // namespace velmora::tool
