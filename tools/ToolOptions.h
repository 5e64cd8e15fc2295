// What the command line of velmora-archive asks for, and the commands that
// carry it out. Each command returns the program's exit status.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archive/ArchiveWriter.h"
#include "archive/BaseReader.h"

namespace velmora::tool {

// Exit statuses.
constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

struct ToolOptions {
    std::string command; // "list", "extract" or "create"
    std::optional<ArchiveKind> kind;
    std::string archive;
    std::string entry;     // extract: the one entry wanted; empty for all
    std::string directory; // create: the files to pack; extract: where to write
    int32_t skip = 0;      // bytes before a vla or vl2 index
    std::optional<std::array<uint8_t, 256>> key_table;
    std::vector<std::string> vbz_extensions; // beside VBZ, as a game registers them
    std::optional<CompressionType> pack_all;
    std::vector<std::pair<std::string, CompressionType>> pack_rules; // extension, type
    bool raw = false; // create: store files as they are
};

// Prints "velmora-archive: message" on standard error.
void reportError(const std::string& message);

int listArchive(const ToolOptions& options);
int extractArchive(const ToolOptions& options);
int createArchive(const ToolOptions& options);

} // namespace velmora::tool
