// list and extract: entries come from the engine's readers, decoded as a game
// would read them.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <vector>

#include "EntryNames.h"
#include "OpenedArchive.h"
#include "ToolOptions.h"

namespace velmora::tool {

namespace fs = std::filesystem;

namespace {

std::vector<ArchiveEntry> allEntries(BaseReader& reader) {
    std::vector<ArchiveEntry> entries;
    int32_t count = reader.entryCount();
    for (int32_t i = 0; i < count; ++i) entries.push_back(reader.getFileByIndex(i));
    return entries;
}

// A decoded length of 0 is what readers give both for an empty entry and for
// one they cannot read. Stored bytes, and any SPB picture, cannot be empty
// when the index says they occupy bytes.
bool emptyIsPlausible(const ArchiveEntry& entry) {
    switch (entry.compression) {
    case CompressionType::None: return entry.length == 0;
    case CompressionType::SPB: return false;
    case CompressionType::LZSS:
    case CompressionType::VBZ: return true;
    }
    return false;
}

bool writeFile(const fs::path& path, const std::vector<uint8_t>& bytes, std::string& error) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (ec) {
        error = "can't create " + path.parent_path().string() + ": " + ec.message();
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "can't create " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = std::fclose(file) == 0 && written;
    if (!written) error = "can't write " + path.string() + ": " + std::strerror(errno);
    return written;
}

bool extractEntry(BaseReader& reader, const ArchiveEntry& entry, const fs::path& target,
                  std::string& error) {
    std::vector<uint8_t> bytes(static_cast<size_t>(std::max(reader.fileLength(entry.name), 0)));
    if (bytes.empty() && !emptyIsPlausible(entry)) {
        error = entry.name + ": can't read the entry";
        return false;
    }
    if (!bytes.empty()) {
        int32_t read = reader.readFile(entry.name, bytes.data(), bytes.size());
        if (read != static_cast<int32_t>(bytes.size())) {
            error = entry.name + ": damaged; " + std::to_string(read) + " of " +
                    std::to_string(bytes.size()) + " bytes read";
            return false;
        }
    }
    return writeFile(target, bytes, error);
}

// A name for one line of the listing: control bytes, which a damaged or
// wrongly keyed index yields, are shown as \xNN.
std::string printable(const std::string& name) {
    std::string shown;
    for (char c : name) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        shown += escaped;
    }
    return shown;
}

// "none", "spb", "lzss" or "vbz".
const char* compressionName(CompressionType type) {
    switch (type) {
    case CompressionType::None: return "none";
    case CompressionType::SPB: return "spb";
    case CompressionType::LZSS: return "lzss";
    case CompressionType::VBZ: return "vbz";
    }
    return "unknown";
}

} // namespace

int listArchive(const ToolOptions& options) {
    OpenedArchive archive;
    std::string error;
    if (!archive.open(options, error)) {
        reportError(error);
        return EXIT_FAILED;
    }
    for (const ArchiveEntry& entry : allEntries(archive.reader())) {
        std::printf("%s\t%d\t%d\t%s\n", printable(entry.name).c_str(), entry.length,
                    entry.unpacked_length, compressionName(entry.compression));
    }
    return EXIT_OK;
}

int extractArchive(const ToolOptions& options) {
    OpenedArchive archive;
    std::string error;
    if (!archive.open(options, error)) {
        reportError(error);
        return EXIT_FAILED;
    }
    std::vector<ArchiveEntry> entries = allEntries(archive.reader());
    if (!options.entry.empty()) {
        // As the readers compare names: a-z upper-cased, '/' as '\\'.
        std::string wanted = entryNameOf(upperCased(options.entry));
        std::erase_if(entries, [&](const ArchiveEntry& e) { return e.name != wanted; });
        if (entries.empty()) {
            reportError(options.archive + ": no entry named " + options.entry);
            return EXIT_FAILED;
        }
        entries.resize(1); // the one a reader would find
    }
    const fs::path target_directory = options.directory.empty() ? "." : options.directory;
    std::set<std::string> extracted;
    int status = EXIT_OK;
    for (const ArchiveEntry& entry : entries) {
        std::string relative = extractionPathOf(entry.name);
        if (relative.empty()) {
            error = entry.name + ": not a name that can be extracted safely; skipped";
        } else if (!extracted.insert(relative).second) {
            error = entry.name + ": a second entry of this name; skipped";
        } else if (extractEntry(archive.reader(), entry, target_directory / relative, error)) {
            continue;
        }
        reportError(error);
        status = EXIT_FAILED;
    }
    return status;
}

} // namespace velmora::tool
