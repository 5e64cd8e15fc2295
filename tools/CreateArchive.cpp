// create: packs the files under a directory into one archive. Each file is
// stored in the form a reader decodes back to the file's bytes.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <tuple>
#include <vector>

#include "EntryNames.h"
#include "ToolOptions.h"
#include "archive/ArchiveWriter.h"
#include "archive/DirectReader.h"
#include "archive/Encoders.h"

namespace velmora::tool {

namespace fs = std::filesystem;

namespace {

// The readers' extension rules, asked exactly as the readers ask them.
class ExtensionRules : public DirectReader {
  public:
    using DirectReader::compressionOf;
};

struct SourceFile {
    fs::path path;
    std::string name;       // entry name
    std::string upper_name; // as readers compare it, for the index order
};

std::string upperExtension(const std::string& name) {
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : upperCased(name.substr(dot + 1));
}

bool collectFiles(const ToolOptions& options, std::vector<SourceFile>& files, std::string& error) {
    std::error_code ec;
    if (!fs::is_directory(options.directory, ec)) {
        error = options.directory + ": not a directory";
        return false;
    }
    const fs::path archive = fs::weakly_canonical(options.archive, ec);
    fs::recursive_directory_iterator walk(options.directory, ec);
    for (; !ec && walk != fs::recursive_directory_iterator(); walk.increment(ec)) {
        if (!walk->is_regular_file(ec)) continue;
        if (fs::weakly_canonical(walk->path(), ec) == archive) continue; // an earlier output
        std::string relative = fs::relative(walk->path(), options.directory, ec).generic_string();
        std::string name = entryNameOf(relative);
        files.push_back({walk->path(), name, upperCased(name)});
    }
    if (ec) {
        error = options.directory + ": " + ec.message();
        return false;
    }
    std::sort(files.begin(), files.end(), [](const SourceFile& a, const SourceFile& b) {
        return std::tie(a.upper_name, a.name) < std::tie(b.upper_name, b.name);
    });
    return true;
}

bool readWhole(const fs::path& path, std::vector<uint8_t>& bytes, std::string& error) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "can't read " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    bytes.clear();
    uint8_t block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0)
        bytes.insert(bytes.end(), block, block + n);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) error = "can't read " + path.string();
    return !failed;
}

// The packing --pack asks for an entry of a vla archive. Without it, an
// entry is coded as its extension makes readers decode it (the only choice
// SAR and vl2 indexes offer, as they record no type).
std::optional<CompressionType> packingAsked(const ToolOptions& options, const std::string& name) {
    if (options.kind != ArchiveKind::Vla || options.raw) return std::nullopt;
    std::string extension = upperExtension(name);
    for (const auto& [rule_extension, type] : options.pack_rules) {
        if (rule_extension == extension) return type;
    }
    return options.pack_all;
}

bool encode(CompressionType coding, const std::vector<uint8_t>& bytes, std::vector<uint8_t>& packed,
            std::string& error) {
    if (coding != CompressionType::None && bytes.size() > MAX_DECODED_LENGTH) {
        error = "too large to pack: readers decode at most " +
                std::to_string(MAX_DECODED_LENGTH >> 20) + " MiB";
        return false;
    }
    switch (coding) {
    case CompressionType::None: packed = bytes; return true;
    case CompressionType::LZSS: packed = packLZSS(bytes); return true;
    case CompressionType::VBZ: return packVBZ(bytes, packed, error);
    case CompressionType::SPB: return packSPB(bytes, packed, error);
    }
    return false;
}

// The data of one entry. With --raw the file's bytes are stored as they are;
// a file that its extension makes readers decode is then already in its
// packed form, and the bytes of it that readers take through the key table
// are already keyed, so they are handed over plain.
bool entryData(const ToolOptions& options, const ExtensionRules& rules, const SourceFile& source,
               std::vector<uint8_t>& stored, EntryData& entry, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!readWhole(source.path, bytes, error)) return false;
    entry.coding = rules.compressionOf(source.name);
    entry.decoded_length = static_cast<uint32_t>(bytes.size());
    std::optional<CompressionType> asked = packingAsked(options, source.name);
    // Asked-for packing that does not make an entry smaller is dropped.
    if (asked && encode(*asked, bytes, stored, error) && stored.size() < bytes.size()) {
        entry.coding = *asked;
        entry.index_type = *asked;
    } else if (options.raw) {
        entry.index_type = CompressionType::None;
        if (options.key_table && entry.coding != CompressionType::None) {
            size_t keyed = keyedPrefix(entry.coding, bytes.size());
            for (size_t i = 0; i < keyed; ++i) bytes[i] = (*options.key_table)[bytes[i]];
        }
        stored = std::move(bytes);
    } else {
        entry.index_type = entry.coding;
        if (!encode(entry.coding, bytes, stored, error)) {
            error = source.path.string() + ": " + error;
            return false;
        }
    }
    entry.bytes = stored;
    return true;
}

// `created` tells whether the archive file was made, so that a failure
// removes only a file of this run.
bool writeArchive(const ToolOptions& options, const std::vector<SourceFile>& files, bool& created,
                  std::string& error) {
    ExtensionRules rules;
    for (const std::string& extension : options.vbz_extensions) {
        rules.addCompressionRule(extension, CompressionType::VBZ);
    }
    ArchiveWriter writer(*options.kind, options.skip,
                         options.key_table ? &*options.key_table : nullptr);
    std::vector<std::string> names;
    for (const SourceFile& file : files) names.push_back(file.name);
    if (!writer.begin(options.archive, names, error)) return false;
    created = true;
    for (const SourceFile& file : files) {
        std::vector<uint8_t> stored;
        EntryData entry;
        if (!entryData(options, rules, file, stored, entry, error) || !writer.add(entry, error)) {
            return false;
        }
    }
    return writer.finish(error);
}

} // namespace

int createArchive(const ToolOptions& options) {
    std::vector<SourceFile> files;
    std::string error;
    if (!collectFiles(options, files, error)) {
        reportError(error);
        return EXIT_FAILED;
    }
    bool created = false;
    if (!writeArchive(options, files, created, error)) {
        reportError(error);
        std::error_code ec;
        if (created) fs::remove(options.archive, ec);
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

} // namespace velmora::tool
