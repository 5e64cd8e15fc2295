// velmora-archive: lists, extracts and creates the game data archives that
// Velmora reads (SAR, vla and vl2).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "EntryNames.h"
#include "ToolOptions.h"
#include "common/Exit.h"
#include "script/KeyTable.h"

using namespace velmora;
using namespace velmora::tool;

namespace {

constexpr const char* USAGE =
    "usage: velmora-archive list ARCHIVE [options]\n"
    "       velmora-archive extract ARCHIVE [ENTRY] [-o DIR] [options]\n"
    "       velmora-archive create sar|vla|vl2 ARCHIVE DIR [options]\n"
    "\n"
    "list     one line per entry: name, bytes stored, bytes decoded, compression\n"
    "         (none, spb, lzss or vbz), separated by tabs\n"
    "extract  writes every entry, or only ENTRY, decoded, under DIR (default: the\n"
    "         current directory); '\\' in entry names makes subdirectories\n"
    "create   packs every file under DIR; entries are named by their paths with\n"
    "         '\\' between directories; a file is stored so that reading the entry\n"
    "         gives back its bytes: files named .vbz or .spb (and --vbz-ext ones)\n"
    "         are packed, as readers decode them by their extension\n"
    "\n"
    "options:\n"
    "  --kind sar|vla|vl2    the archive's kind (default: from its extension:\n"
    "                        .sar, .vla or .___, .vl2)\n"
    "  --skip N              bytes before a vla or vl2 index, 0 to 2\n"
    "  --key-exe FILE        the archive is keyed with the key table found in FILE\n"
    "  --vbz-ext EXT,...     more extensions whose entries are VBZ-packed, as a\n"
    "                        game may register them\n"
    "  --pack TYPE[:EXT,...] create vla: pack every file, or the files with these\n"
    "                        extensions, as TYPE (lzss, vbz or spb; spb takes 24-bit\n"
    "                        bitmaps); a file that the packing does not fit or does\n"
    "                        not make smaller is coded as without it; may be repeated\n"
    "  --raw                 create: store every file's bytes as they are, as the\n"
    "                        loose files of a game directory (.vbz and .spb files\n"
    "                        already packed)\n"
    "  -h, --help            this text\n";

int usageError(const std::string& message) {
    reportError(message);
    std::fputs(USAGE, stderr);
    return EXIT_USAGE;
}

std::optional<ArchiveKind> parseKind(const std::string& text) {
    if (text == "sar") return ArchiveKind::Sar;
    if (text == "vla") return ArchiveKind::Vla;
    if (text == "vl2") return ArchiveKind::Vl2;
    return std::nullopt;
}

// The kind an archive's extension implies: .sar, .vla or .___, .vl2.
std::optional<ArchiveKind> kindFromExtension(const std::string& archive) {
    size_t dot = archive.rfind('.');
    std::string extension = dot == std::string::npos ? "" : archive.substr(dot + 1);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (extension == "___") return ArchiveKind::Vla;
    return parseKind(extension);
}

std::optional<CompressionType> parsePackType(const std::string& text) {
    if (text == "lzss") return CompressionType::LZSS;
    if (text == "vbz") return CompressionType::VBZ;
    if (text == "spb") return CompressionType::SPB;
    return std::nullopt;
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        std::string item = text.substr(start, comma - start);
        if (!item.empty() && item[0] == '.') item.erase(0, 1);
        if (!item.empty()) items.push_back(item);
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

// Reads the options and operands into `options`; an empty result means they
// are complete and consistent, anything else is the usage error to show.
std::string parseArguments(const std::vector<std::string>& args, ToolOptions& options,
                           std::string& key_exe) {
    std::vector<std::string> operands;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool takes_value = arg == "-o" || arg == "--kind" || arg == "--skip" ||
                           arg == "--key-exe" || arg == "--vbz-ext" || arg == "--pack";
        if (!takes_value) {
            if (arg == "--raw")
                options.raw = true;
            else if (arg.size() > 1 && arg[0] == '-')
                return "unknown option " + arg;
            else
                operands.push_back(arg);
            continue;
        }
        if (i + 1 == args.size()) return arg + " needs a value";
        const std::string& value = args[++i];
        if (arg == "-o") {
            options.directory = value;
        } else if (arg == "--kind") {
            options.kind = parseKind(value);
            if (!options.kind) return "unknown archive kind " + value;
        } else if (arg == "--skip") {
            if (value.size() != 1 || value[0] < '0' || value[0] > '0' + MAX_SKIP) {
                return "--skip takes 0, 1 or 2";
            }
            options.skip = value[0] - '0';
        } else if (arg == "--key-exe") {
            key_exe = value;
        } else if (arg == "--vbz-ext") {
            for (const std::string& extension : splitList(value)) {
                options.vbz_extensions.push_back(extension);
            }
        } else {
            size_t colon = value.find(':');
            std::optional<CompressionType> type = parsePackType(value.substr(0, colon));
            if (!type) return "unknown packing " + value.substr(0, colon);
            if (colon == std::string::npos) {
                options.pack_all = type;
            } else {
                std::vector<std::string> extensions = splitList(value.substr(colon + 1));
                if (extensions.empty()) return "--pack " + value + " names no extension";
                for (const std::string& e : extensions)
                    options.pack_rules.push_back({upperCased(e), *type});
            }
        }
    }
    if (operands.empty()) return "no command";
    options.command = operands[0];
    if (options.command == "list" || options.command == "extract") {
        size_t most = options.command == "list" ? 2 : 3;
        if (operands.size() < 2 || operands.size() > most) return "wrong number of operands";
        options.archive = operands[1];
        if (operands.size() == 3) options.entry = operands[2];
        if (options.command == "list" && !options.directory.empty()) return "-o is for extract";
        if (!options.kind) options.kind = kindFromExtension(options.archive);
        if (!options.kind) return options.archive + ": unknown archive kind; name it with --kind";
    } else if (options.command == "create") {
        if (operands.size() != 4) return "wrong number of operands";
        if (options.kind) return "the kind of a new archive is its own operand, not --kind";
        options.kind = parseKind(operands[1]);
        if (!options.kind) return "unknown archive kind " + operands[1];
        options.archive = operands[2];
        options.directory = operands[3];
    } else {
        return "unknown command " + options.command;
    }
    bool packing = options.pack_all || !options.pack_rules.empty();
    if (packing && options.command != "create") return "--pack is for create";
    if (options.raw && options.command != "create") return "--raw is for create";
    if (packing && options.raw) return "--pack and --raw exclude each other";
    if (packing && options.kind != ArchiveKind::Vla) {
        return "--pack needs a vla archive: SAR and vl2 indexes record no packing, so only the "
               "extension decides (see --vbz-ext)";
    }
    if (options.skip != 0 && options.kind == ArchiveKind::Sar) return "a SAR archive has no --skip";
    return {};
}

} // namespace

void velmora::tool::reportError(const std::string& message) {
    std::fprintf(stderr, "velmora-archive: %s\n", message.c_str());
}

int main(int argc, char** argv) {
    // Engine code that ends the process (an unusable key file) ends the tool
    // as any other failure does.
    setExitHook([](int) { std::exit(EXIT_FAILED); });
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& arg : args) {
        if (arg == "-h" || arg == "--help") {
            std::fputs(USAGE, stdout);
            return EXIT_OK;
        }
    }
    ToolOptions options;
    std::string key_exe;
    std::string problem = parseArguments(args, options, key_exe);
    if (!problem.empty()) return usageError(problem);
    if (!key_exe.empty()) {
        std::array<uint8_t, 256> table{};
        if (!createKeyTable(key_exe, table)) return EXIT_FAILED;
        options.key_table = table;
    }
    if (options.command == "list") return listArchive(options);
    if (options.command == "extract") return extractArchive(options);
    return createArchive(options);
}
