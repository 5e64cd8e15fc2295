// Reading the script files into one buffer: choosing the files, decoding them,
// normalising line ends, the header line and the label table.
#include <cstring>
#include <new>
#include <sys/stat.h>

#include "script/ScriptStream.h"

namespace velmora {

namespace {

// The key of "vlsc_sec.dat": byte i of the file is XORed with key[i mod 5].
constexpr uint8_t SECRET_KEY[5] = {0x79, 0x57, 0x0D, 0x80, 0x04};
constexpr uint8_t XOR_KEY = 0xE9;
constexpr size_t READ_BLOCK = 4096;
// More variables than this cannot be allocated sensibly; the header is refused.
constexpr int32_t MAX_VARIABLE_COUNT = 1 << 20;

// Appends decoded bytes to the script buffer, turning CR LF and lone CR into
// LF and counting the '*' that start labels. Never writes past `limit`, so a
// file that grew after it was sized cannot overflow the buffer.
class LineWriter {
  public:
    LineWriter(char* cursor, char* limit, int32_t& label_count)
        : cursor(cursor), limit(limit), label_count(label_count) {}

    void feed(const uint8_t* bytes, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            uint8_t b = bytes[i];
            if (pending_cr && b != '\n') {
                put('\n');
                line_start = true;
                pending_cr = false;
            }
            if (b == '\r') {
                pending_cr = true;
            } else if (b == '\n') {
                put('\n');
                line_start = true;
                pending_cr = false;
            } else {
                put(static_cast<char>(b));
                if (b == '*' && line_start) ++label_count;
                if (b != ' ' && b != '\t') line_start = false;
            }
        }
    }

    // Ends the file: a pending CR becomes a line feed, then one more follows.
    char* finish() {
        if (pending_cr) put('\n');
        put('\n');
        return cursor;
    }

  private:
    void put(char c) {
        if (cursor < limit) *cursor++ = c;
    }

    char* cursor;
    char* limit;
    int32_t& label_count;
    bool pending_cr = false;
    bool line_start = true;
};

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
    ScriptMode mode = ScriptMode::Plain;
    for (const Candidate& c : candidates) {
        if (std::FILE* f = std::fopen((path + c.name).c_str(), "rb")) {
            files.push_back(f);
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
            if (f) files.push_back(f);
        }
    }

    size_t capacity = 0;
    for (std::FILE* f : files) capacity += static_cast<size_t>(fileSize(f)) + 1;
    script_buffer.reset(new (std::nothrow) char[capacity + 1]);
    if (!script_buffer) {
        for (std::FILE* f : files) std::fclose(f);
        std::fprintf(stderr, "loadScript: can't allocate %zu bytes for the script\n", capacity);
        return -1;
    }
    char* cursor = script_buffer.get();
    char* limit = cursor + capacity;
    // Positions into the old buffer are gone; errors while reading report the start.
    token_start = read_position = cursor;
    labels_ready = false;
    label_count = 0;
    for (std::FILE* f : files) {
        readScriptSub(f, cursor, limit, mode);
        std::fclose(f);
    }
    script_length = static_cast<size_t>(cursor - script_buffer.get());
    script_buffer[script_length] = '\0';
    return finishLoad();
}

void ScriptStream::loadFromMemory(const char* bytes, size_t length) {
    script_buffer.reset(new char[length + 2]);
    token_start = read_position = script_buffer.get();
    labels_ready = false;
    label_count = 0;
    LineWriter writer(script_buffer.get(), script_buffer.get() + length + 1, label_count);
    writer.feed(reinterpret_cast<const uint8_t*>(bytes), length);
    script_length = static_cast<size_t>(writer.finish() - script_buffer.get());
    script_buffer[script_length] = '\0';
    finishLoad();
}

int32_t ScriptStream::readScriptSub(std::FILE* file, char*& cursor, char* limit, ScriptMode mode) {
    if (mode == ScriptMode::KeyTable && !key_table_present)
        scriptError("readScriptSub: the EXE file must be specified with --key-exe option.");
    LineWriter writer(cursor, limit, label_count);
    uint8_t block[READ_BLOCK];
    size_t key_position = 0;
    size_t n;
    while ((n = std::fread(block, 1, READ_BLOCK, file)) > 0) {
        switch (mode) {
        case ScriptMode::Plain: break;
        case ScriptMode::Xor:
            for (size_t i = 0; i < n; ++i) block[i] ^= XOR_KEY;
            break;
        case ScriptMode::KeyedSecret:
            for (size_t i = 0; i < n; ++i) {
                block[i] ^= SECRET_KEY[key_position];
                key_position = (key_position + 1) % sizeof SECRET_KEY;
            }
            break;
        case ScriptMode::KeyTable:
            for (size_t i = 0; i < n; ++i) block[i] = key_table[block[i]] ^ XOR_KEY;
            break;
        }
        writer.feed(block, n);
    }
    cursor = writer.finish();
    return 0;
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
            bool ok = readDecimal(p, value);
            if (ok && value >= 0) {
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
    labels.reserve(static_cast<size_t>(label_count) + 1);
    const char* p = script_buffer.get();
    const char* end = bufferEnd();
    int32_t line = 0;
    while (p < end) {
        p = skipBlanks(p);
        if (*p != '*') {
            if (!labels.empty()) ++labels.back().line_count;
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
            p = lf ? lf + 1 : end;
            ++line;
            continue;
        }
        // Two labels on one line are both kept: the table grows as labels are found.
        read_position = p;
        readLabelToken();
        LabelEntry entry;
        entry.name.assign(token_buffer.data() + 1, token_length > 0 ? token_length - 1 : 0);
        entry.header = p;
        entry.line_count = 1;
        entry.first_line = line;
        const char* body = read_position;
        if (*body == '\n') {
            ++body;
            ++line;
        }
        entry.body = body;
        label_index.emplace(entry.name, static_cast<int32_t>(labels.size()));
        labels.push_back(std::move(entry));
        p = body;
    }
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
