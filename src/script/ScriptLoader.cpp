// Reading the script files into one buffer: choosing the files, decoding them,
// normalising line ends and the header line.
#include <algorithm>
#include <cstring>
#include <sys/stat.h>

#include "common/Exit.h"
#include "script/ByteScan.h"
#include "script/ScriptStream.h"
#include "script/Utf8Script.h"

namespace velmora {

namespace {

// The key of "vlsc_sec.dat": byte i of the file is XORed with key[i mod 5].
constexpr uint8_t SECRET_KEY[5] = {0x79, 0x57, 0x0D, 0x80, 0x04};
constexpr uint8_t XOR_KEY = 0xE9;
// More variables than this cannot be allocated sensibly; the header is refused.
constexpr int32_t MAX_VARIABLE_COUNT = 1 << 20;
// Bytes read and decoded at a time: few enough to stay in the processor's
// cache while they are decoded and searched, enough that the calls cost nothing.
constexpr size_t READ_CHUNK = size_t{128} << 10;

// Turns CR LF and lone CR into LF in place, starting at `r`, the first CR of
// the n bytes at data (null when there is none); returns the new length. Runs
// without a CR are moved whole, so a file with plain LF line ends is untouched.
size_t normaliseLineEnds(char* data, size_t n, char* r) {
    if (!r) return n;
    char* end = data + n;
    char* w = r;
    while (r < end) {
        *w++ = '\n'; // r stands on a CR
        if (++r < end && *r == '\n') ++r;
        char* next = static_cast<char*>(std::memchr(r, '\r', static_cast<size_t>(end - r)));
        size_t run = static_cast<size_t>((next ? next : end) - r);
        std::memmove(w, r, run);
        w += run;
        r += run;
    }
    return static_cast<size_t>(w - data);
}

int64_t fileSize(std::FILE* file) {
    struct stat st;
    if (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    return st.st_size;
}

// Reads a run of decimal digits; false when there are none or the value does
// not fit in an int32.
bool readDecimal(const char*& p, int32_t& out) {
    if (*p < '0' || *p > '9') return false;
    int64_t value = 0;
    bool overflow = false;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + (*p++ - '0');
        if (value > INT32_MAX) {
            overflow = true;
            value = INT32_MAX;
        }
    }
    out = overflow ? -1 : static_cast<int32_t>(value);
    return !overflow;
}

const char* skipHeaderBlanks(const char* p) {
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

// Stores a positive header size, or warns and keeps the default.
void takeSize(int32_t& field, bool ok, int32_t value, const char* what) {
    if (ok && value > 0) {
        field = value;
        return;
    }
    std::fprintf(stderr, "readHeaderLine: %s is not a usable size; keeping %d\n", what, field);
}

} // namespace

ScriptStream::ScriptStream() {
    if (!script_buffer.allocate(1)) exitProcess(-1);
    script_buffer[0] = '\0';
    installKeyTable(nullptr);
    token_start = read_position = script_buffer.data();
}

int32_t ScriptStream::loadScript(const std::string& path) {
    archive_path = path;
    struct Candidate {
        const char* name;
        ScriptMode mode;
    };
    static const Candidate candidates[] = {{"0.txt", ScriptMode::Plain},
                                           {"00.txt", ScriptMode::Plain},
                                           {"vlsc_sec.dat", ScriptMode::KeyedSecret},
                                           {"vlscene.___", ScriptMode::KeyTable},
                                           {"vlscene.dat", ScriptMode::Xor}};
    // Every file is opened once and kept open from sizing to reading.
    std::vector<std::FILE*> files;
    std::vector<std::string> names; // as reports name them
    ScriptMode mode = ScriptMode::Plain;
    for (const Candidate& c : candidates) {
        if (std::FILE* f = std::fopen((path + c.name).c_str(), "rb")) {
            files.push_back(f);
            names.push_back(c.name);
            mode = c.mode;
            break;
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "can't open any of 0.txt, 00.txt, vlscene.dat and vlscene.___\n");
        return -1;
    }
    if (mode == ScriptMode::Plain) {
        char name[16];
        for (int n = 1; n <= 99; ++n) {
            std::snprintf(name, sizeof name, "%d.txt", n);
            std::FILE* f = std::fopen((path + name).c_str(), "rb");
            if (!f) {
                std::snprintf(name, sizeof name, "%02d.txt", n);
                f = std::fopen((path + name).c_str(), "rb");
            }
            if (f) {
                files.push_back(f);
                names.push_back(name);
            }
        }
    }

    // Each file contributes at most its size plus the line feed that ends it.
    std::vector<size_t> sizes;
    size_t capacity = 0;
    for (std::FILE* f : files) {
        sizes.push_back(static_cast<size_t>(fileSize(f)));
        capacity += sizes.back() + 1;
    }
    script_capacity = capacity + 1;
    if (!script_buffer.allocate(script_capacity)) {
        for (std::FILE* f : files) std::fclose(f);
        std::fprintf(stderr, "loadScript: can't allocate %zu bytes for the script\n", capacity);
        return -1;
    }
    char* cursor = script_buffer.data();
    // Positions into the old buffer are gone; errors while reading report the start.
    token_start = read_position = cursor;
    labels_ready = false;
    size_t stars = 0;
    bool complete = true;
    parts.clear();
    conversion_problems.clear();
    for (size_t i = 0; i < files.size(); ++i) {
        parts.push_back({names[i], static_cast<size_t>(cursor - script_buffer.data())});
        if (complete) complete = readScriptSub(files[i], names[i], sizes[i], cursor, mode, stars);
        std::fclose(files[i]);
    }
    if (!complete) {
        // An empty script rather than part of one.
        script_length = 0;
        script_buffer[0] = '\0';
        return -1;
    }
    script_length = static_cast<size_t>(cursor - script_buffer.data());
    script_buffer[script_length] = '\0';
    return finishLoad(stars);
}

int32_t ScriptStream::loadFromMemory(const char* bytes, size_t length) {
    if (!script_buffer.allocate(length + 2)) {
        std::fprintf(stderr, "loadScript: can't allocate %zu bytes for the script\n", length);
        return -1;
    }
    token_start = read_position = script_buffer.data();
    labels_ready = false;
    parts.assign(1, ScriptPart{});
    char* data = script_buffer.data();
    if (length > 0) std::memcpy(data, bytes, length);
    size_t n = normaliseLineEnds(data, length, static_cast<char*>(std::memchr(data, '\r', length)));
    script_buffer[n] = '\n';
    script_length = n + 1;
    script_buffer[script_length] = '\0';
    return finishLoad(countByte(data, data + script_length, '*'));
}

bool ScriptStream::readScriptSub(std::FILE* file, const std::string& name, size_t size,
                                 char*& cursor, ScriptMode mode, size_t& stars) {
    if (mode == ScriptMode::KeyTable && !key_table_present)
        scriptError("readScriptSub: the EXE file must be specified with --key-exe option.");
    // The file is read straight into the buffer and decoded there, a chunk at
    // a time, and each chunk is searched for CRs and '*' while it is still in
    // the cache. Reading stops at the size the file had when the buffer was
    // sized, so a file that grew since cannot overflow it; a read that stops
    // early ends the file there.
    auto* bytes = reinterpret_cast<uint8_t*>(cursor);
    char* first_cr = nullptr;
    size_t n = 0;
    while (n < size) {
        const size_t got = std::fread(cursor + n, 1, std::min(READ_CHUNK, size - n), file);
        if (got == 0) break;
        const size_t chunk_end = n + got;
        switch (mode) {
        case ScriptMode::Plain: break;
        case ScriptMode::Xor:
            for (size_t i = n; i < chunk_end; ++i) bytes[i] ^= XOR_KEY;
            break;
        case ScriptMode::KeyedSecret:
            for (size_t i = n; i < chunk_end; ++i) bytes[i] ^= SECRET_KEY[i % sizeof SECRET_KEY];
            break;
        case ScriptMode::KeyTable:
            for (size_t i = n; i < chunk_end; ++i) bytes[i] = key_table[bytes[i]] ^ XOR_KEY;
            break;
        }
        if (!first_cr) first_cr = static_cast<char*>(std::memchr(cursor + n, '\r', got));
        stars += countByte(cursor + n, cursor + chunk_end, '*');
        n = chunk_end;
    }
    if (utf8_scripts || startsWithUtf8Bom(cursor, n)) {
        // The converted text has its own line ends; '*' bytes stay as many,
        // since no Shift_JIS character holds one.
        if (!convertFromUtf8(name, size, cursor, n)) return false;
        first_cr = static_cast<char*>(std::memchr(cursor, '\r', n));
    }
    cursor += normaliseLineEnds(cursor, n, first_cr);
    *cursor++ = '\n';
    return true;
}

bool ScriptStream::convertFromUtf8(const std::string& name, size_t room, char*& cursor, size_t& n) {
    // One byte more than the most the conversion writes, so that an empty
    // file still asks for a block.
    std::unique_ptr<char[]> converted = tryAllocate<char>(sjisCapacityFor(n) + 1);
    if (!converted) {
        std::fprintf(stderr, "loadScript: can't allocate the conversion of %s\n", name.c_str());
        return false;
    }
    const Utf8Conversion result = convertUtf8ToSjis(cursor, n, converted.get());
    const size_t first_problem = conversion_problems.size();
    for (const Utf8Problem& problem : result.problems)
        conversion_problems.push_back(describeUtf8Problem(name, problem));
    if (result.unnoted > 0)
        conversion_problems.push_back(name + ": " + std::to_string(result.unnoted) +
                                      " more characters shown as \xEF\xBC\x9F");
    if (print_conversion_problems)
        for (size_t i = first_problem; i < conversion_problems.size(); ++i)
            std::fprintf(stderr, "%s\n", conversion_problems[i].c_str());
    // Invalid bytes double in size; only then can the text outgrow its room.
    if (result.length > room && !growBuffer(cursor, result.length - room)) return false;
    std::memcpy(cursor, converted.get(), result.length);
    n = result.length;
    return true;
}

bool ScriptStream::growBuffer(char*& cursor, size_t extra) {
    const size_t used = static_cast<size_t>(cursor - script_buffer.data());
    ScriptBuffer bigger;
    if (!bigger.allocate(script_capacity + extra)) {
        std::fprintf(stderr, "loadScript: can't allocate %zu bytes for the script\n",
                     script_capacity + extra);
        return false;
    }
    std::memcpy(bigger.data(), script_buffer.data(), used);
    script_buffer.swap(bigger);
    script_capacity += extra;
    cursor = script_buffer.data() + used;
    token_start = read_position = script_buffer.data();
    return true;
}

int32_t ScriptStream::finishLoad(size_t label_bound) {
    readHeaderLine();
    if (variable_count > MAX_VARIABLE_COUNT) {
        std::fprintf(stderr, "loadScript: can't allocate %d variables\n", variable_count);
        return -1;
    }
    slots.assign(static_cast<size_t>(variable_count), VariableSlot{});
    overflow_slots.clear();
    read_position = token_start = script_buffer.data();
    indexLabels(label_bound);
    read_position = token_start = script_buffer.data();
    return 0;
}

void ScriptStream::readHeaderLine() {
    variable_count = DEFAULT_VARIABLE_COUNT;
    global_border = DEFAULT_GLOBAL_BORDER;
    const char* p = script_buffer.data();
    if (*p != ';') return;
    ++p;
    bool dollar = *p == '$';
    if (dollar) ++p;
    int32_t value = 0;
    while (*p != '\0' && *p != '\n') {
        p = skipHeaderBlanks(p);
        if (std::strncmp(p, "mode", 4) == 0) {
            if (std::strncmp(p + 4, "800", 3) == 0) {
                screen_width = 800;
                screen_height = 600;
            } else if (std::strncmp(p + 4, "400", 3) == 0) {
                screen_width = 400;
                screen_height = 300;
            } else if (std::strncmp(p + 4, "320", 3) == 0) {
                screen_width = 320;
                screen_height = 240;
            } else {
                break;
            }
            p += 7;
        } else if (std::strncmp(p, "value", 5) == 0 || *p == 'g' || *p == 'G') {
            p = skipHeaderBlanks(p + (*p == 'v' ? 5 : 1));
            // No digits read as 0, every variable global: published scripts
            // often open with a comment such as ";gameid ...", whose 'g' is
            // this item, and were written for exactly that.
            const bool no_digits = *p < '0' || *p > '9';
            if (no_digits) {
                global_border = 0;
            } else if (readDecimal(p, value)) {
                global_border = value;
            } else {
                std::fprintf(stderr,
                             "readHeaderLine: the global border is not usable; keeping %d\n",
                             global_border);
            }
        } else if (*p == 'v' || *p == 'V') {
            p = skipHeaderBlanks(p + 1);
            bool ok = readDecimal(p, value);
            takeSize(variable_count, ok, value, "the variable count");
        } else if (*p == 's' || *p == 'S') {
            if (p[1] < '0' || p[1] > '9') break;
            ++p;
            bool ok = readDecimal(p, value);
            takeSize(screen_width, ok, value, "the screen width");
            while (*p == ',' || *p == ' ' || *p == '\t') ++p;
            ok = readDecimal(p, value);
            takeSize(screen_height, ok, value, "the screen height");
        } else if (*p == 'l' || *p == 'L') {
            p = skipHeaderBlanks(p + 1);
            while (*p >= '0' && *p <= '9') ++p;
        } else if (*p != ',') {
            break;
        }
        p = skipHeaderBlanks(p);
        if (*p == ',') {
            ++p;
        } else if (!dollar) {
            break;
        }
    }
}

void ScriptStream::installKeyTable(const uint8_t* table) {
    if (table) {
        std::memcpy(key_table.data(), table, key_table.size());
        key_table_present = true;
    } else {
        for (size_t i = 0; i < key_table.size(); ++i) key_table[i] = static_cast<uint8_t>(i);
        key_table_present = false;
    }
}

} // namespace velmora
