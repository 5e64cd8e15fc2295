// Reading the script files into one buffer: choosing the files, decoding them,
// normalising line ends, the header line and the label table.
#include <cstring>
#include <sys/stat.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/Exit.h"
#include "script/ScriptStream.h"

namespace velmora {

namespace {

// The key of "vlsc_sec.dat": byte i of the file is XORed with key[i mod 5].
constexpr uint8_t SECRET_KEY[5] = {0x79, 0x57, 0x0D, 0x80, 0x04};
constexpr uint8_t XOR_KEY = 0xE9;
// More variables than this cannot be allocated sensibly; the header is refused.
constexpr int32_t MAX_VARIABLE_COUNT = 1 << 20;

// Turns CR LF and lone CR into LF in place; returns the new length. Runs
// without a CR are moved whole, so a file with plain LF line ends is untouched.
size_t normaliseLineEnds(char* data, size_t n) {
    char* end = data + n;
    char* r = static_cast<char*>(std::memchr(data, '\r', n));
    if (!r) return n;
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

// Set bits of a 16-bit mask. Bit arithmetic rather than the builtin, which
// becomes a library call on processors without a population-count instruction.
int32_t countBits16(uint32_t bits) {
    bits -= (bits >> 1) & 0x5555u;
    bits = (bits & 0x3333u) + ((bits >> 2) & 0x3333u);
    bits = (bits + (bits >> 4)) & 0x0F0Fu;
    return static_cast<int32_t>((bits + (bits >> 8)) & 0x1Fu);
}

// The next '*' at or after `p`, or `end`; `line` gains the line feeds passed
// over. One pass does both, so the label scan reads the script only once.
const char* nextStar(const char* p, const char* end, int32_t& line) {
#if defined(__SSE2__)
    const __m128i stars = _mm_set1_epi8('*');
    const __m128i feeds = _mm_set1_epi8('\n');
    for (; end - p >= 16; p += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const auto star_bits =
            static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, stars)));
        const auto feed_bits =
            static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, feeds)));
        if (star_bits) {
            const int at = __builtin_ctz(star_bits);
            line += countBits16(feed_bits & ((1u << at) - 1));
            return p + at;
        }
        line += countBits16(feed_bits);
    }
#endif
    for (; p < end && *p != '*'; ++p) line += *p == '\n';
    return p;
}

} // namespace

ScriptStream::ScriptStream() : script_buffer(new char[1]{'\0'}) {
    installKeyTable(nullptr);
    token_start = read_position = script_buffer.get();
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
    std::vector<std::string> names;
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
    script_buffer = tryAllocate<char>(capacity + 1);
    if (!script_buffer) {
        for (std::FILE* f : files) std::fclose(f);
        std::fprintf(stderr, "loadScript: can't allocate %zu bytes for the script\n", capacity);
        return -1;
    }
    char* cursor = script_buffer.get();
    // Positions into the old buffer are gone; errors while reading report the start.
    token_start = read_position = cursor;
    labels_ready = false;
    parts.clear();
    for (size_t i = 0; i < files.size(); ++i) {
        parts.push_back({names[i], static_cast<size_t>(cursor - script_buffer.get())});
        readScriptSub(files[i], sizes[i], cursor, mode);
        std::fclose(files[i]);
    }
    script_length = static_cast<size_t>(cursor - script_buffer.get());
    script_buffer[script_length] = '\0';
    return finishLoad();
}

int32_t ScriptStream::loadFromMemory(const char* bytes, size_t length) {
    script_buffer.reset(new char[length + 2]);
    token_start = read_position = script_buffer.get();
    labels_ready = false;
    parts.assign(1, ScriptPart{});
    if (length > 0) std::memcpy(script_buffer.get(), bytes, length);
    size_t n = normaliseLineEnds(script_buffer.get(), length);
    script_buffer[n] = '\n';
    script_length = n + 1;
    script_buffer[script_length] = '\0';
    return finishLoad();
}

void ScriptStream::readScriptSub(std::FILE* file, size_t size, char*& cursor, ScriptMode mode) {
    if (mode == ScriptMode::KeyTable && !key_table_present)
        scriptError("readScriptSub: the EXE file must be specified with --key-exe option.");
    // The file is read straight into the buffer and decoded there. Reading
    // stops at the size it had when the buffer was sized, so a file that grew
    // since cannot overflow it; a read that stops early ends the file there.
    size_t n = 0;
    while (n < size) {
        size_t got = std::fread(cursor + n, 1, size - n, file);
        if (got == 0) break;
        n += got;
    }
    auto* bytes = reinterpret_cast<uint8_t*>(cursor);
    switch (mode) {
    case ScriptMode::Plain: break;
    case ScriptMode::Xor:
        for (size_t i = 0; i < n; ++i) bytes[i] ^= XOR_KEY;
        break;
    case ScriptMode::KeyedSecret:
        for (size_t i = 0; i < n; ++i) bytes[i] ^= SECRET_KEY[i % sizeof SECRET_KEY];
        break;
    case ScriptMode::KeyTable:
        for (size_t i = 0; i < n; ++i) bytes[i] = key_table[bytes[i]] ^ XOR_KEY;
        break;
    }
    cursor += normaliseLineEnds(cursor, n);
    *cursor++ = '\n';
}

int32_t ScriptStream::finishLoad() {
    readHeaderLine();
    if (variable_count > MAX_VARIABLE_COUNT) {
        std::fprintf(stderr, "loadScript: can't allocate %d variables\n", variable_count);
        return -1;
    }
    slots.assign(static_cast<size_t>(variable_count), VariableSlot{});
    overflow_slots.clear();
    read_position = token_start = script_buffer.get();
    indexLabels();
    read_position = token_start = script_buffer.get();
    return 0;
}

void ScriptStream::readHeaderLine() {
    variable_count = DEFAULT_VARIABLE_COUNT;
    global_border = DEFAULT_GLOBAL_BORDER;
    const char* p = script_buffer.get();
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

void ScriptStream::indexLabels() {
    labels.clear();
    label_index.clear();
    const char* start = script_buffer.get();
    const char* end = bufferEnd();
    // A '*' starts a label when only blanks precede it on its line, or when it
    // stands right where the previous label's statements begin (two labels on
    // one line). Labels are rare, so the scan jumps from '*' to '*'.
    const char* chained = nullptr;
    int32_t line = 0;      // line feeds before p
    int32_t body_line = 0; // line feeds before the last label's body
    // A label covers its own line and every line from its body to the next label.
    auto closeLabel = [&] {
        if (!labels.empty()) labels.back().line_count = 1 + line - body_line;
    };
    for (const char* p = start;;) {
        const char* star = nextStar(p, end, line);
        if (star == end) break;
        p = star + 1;
        if (star != chained) {
            const char* q = star;
            while (q > start && (q[-1] == ' ' || q[-1] == '\t')) --q;
            if (q > start && q[-1] != '\n') continue;
        }
        closeLabel();
        read_position = star;
        readLabelToken();
        LabelEntry entry;
        entry.name.assign(token_buffer.data() + 1, token_length > 0 ? token_length - 1 : 0);
        entry.header = star;
        entry.first_line = line;
        const char* body = read_position;
        if (*body == '\n') ++body;
        line += countLineFeeds(star, body);
        body_line = line;
        entry.body = body;
        labels.push_back(std::move(entry));
        chained = body;
        p = std::max(p, body);
    }
    closeLabel();
    label_index.reserve(labels.size());
    for (size_t i = 0; i < labels.size(); ++i)
        label_index.emplace(labels[i].name, static_cast<int32_t>(i));
    LabelEntry sentinel;
    sentinel.header = end;
    sentinel.first_line = line;
    labels.push_back(std::move(sentinel));
    labels_ready = true;
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
