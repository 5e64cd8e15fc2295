// libFuzzer target for the script loader, the tokenizer and the argument
// readers.
//
// Input layout: the first byte selects how the rest is stored and read.
//   bit 0 set: the rest is scrambled (every byte XOR 0xE9), as in vlscene.dat;
//   bit 1 set: lines starting with '>' are read as English lines;
//   bit 2 set: the rest is UTF-8, converted to Shift_JIS before it is loaded.
// The rest is loaded as a script and walked token by token. Every command
// token gets every argument reader tried on what follows it, and the
// commands that shape the variable store (dim, numalias, stralias) are
// carried out so that later expressions can use arrays and aliases.
//
// A fatal script error ends the process in the program; here the exit hook
// throws instead, the walk resumes at the next line, and the loaded buffer
// and label table are checked for the invariants the loader promises.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/Exit.h"
#include "script/ScriptStream.h"
#include "script/Utf8Script.h"

namespace {

using velmora::ScriptStream;

// What the exit hook throws: a fatal error ends the current input, not the run.
struct FatalError {
    int status;
};

[[noreturn]] void throwFatal(int status) {
    throw FatalError{status};
}

constexpr uint8_t SCRAMBLE_KEY = 0xE9;
constexpr uint8_t SELECT_SCRAMBLED = 1;
constexpr uint8_t SELECT_ENGLISH_LINES = 2;
constexpr uint8_t SELECT_UTF8 = 4;
// Caps on the walk, so that no input can keep one run busy for long.
constexpr int MAX_STEPS = 20000;
constexpr int MAX_ARGUMENTS = 32;

// Runs `action`; false when it ended in a fatal error.
template <typename Action> bool survives(Action&& action) {
    try {
        action();
        return true;
    } catch (const FatalError&) {
        return false;
    }
}

// A broken invariant: say which and abort, so libFuzzer keeps the input.
void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "script_fuzzer: invariant broken: %s\n", what);
    std::abort();
}

// The loader turns every line end into one LF, keeps no CR, ends the buffer
// with an LF and indexes labels in script order behind a null-bodied sentinel.
void checkLoadedScript(const ScriptStream& stream, size_t input_length) {
    const char* start = stream.bufferStart();
    const char* end = stream.bufferEnd();
    size_t length = stream.scriptLength();
    require(length >= 1 && end[-1] == '\n', "the buffer ends with a line feed");
    require(length <= input_length + 2, "the buffer is no longer than the input plus two LFs");
    require(std::memchr(start, '\r', length) == nullptr, "the buffer holds no carriage return");

    const auto& labels = stream.labelTable();
    require(!labels.empty() && labels.back().body == nullptr, "the label table ends in a sentinel");
    const char* previous = nullptr;
    for (size_t i = 0; i + 1 < labels.size(); ++i) {
        const velmora::LabelEntry& label = labels[i];
        require(label.header >= start && label.header < end && *label.header == '*',
                "a label starts at a '*' inside the buffer");
        require(previous == nullptr || label.header > previous, "labels are in script order");
        require(label.body > label.header && label.body <= end, "a label body follows its '*'");
        require(label.line_count >= 1, "a label covers its own line");
        previous = label.header;
    }
}

// Reads arguments with `reader` while a comma says another one follows.
template <typename Reader> void readArgumentList(ScriptStream& stream, Reader&& reader) {
    for (int n = 0; n < MAX_ARGUMENTS; ++n) {
        reader();
        if (!(stream.end_flags & velmora::END_COMMA)) break;
    }
}

bool tokenEquals(const ScriptStream& stream, const char* name) {
    return std::strcmp(stream.token_buffer.data(), name) == 0;
}

// Carries out the commands whose effect later expressions depend on.
void runStoreCommand(ScriptStream& stream) {
    if (tokenEquals(stream, "dim")) {
        stream.declareArray();
    } else if (tokenEquals(stream, "numalias")) {
        stream.readLabelToken();
        stream.copyTokenToSaved();
        int32_t value = stream.readInteger();
        stream.addNumAlias(stream.saved_buffer.data(), value);
    } else if (tokenEquals(stream, "stralias")) {
        stream.readLabelToken();
        stream.copyTokenToSaved();
        const char* text = stream.readStr();
        stream.addStrAlias(stream.saved_buffer.data(), text);
    }
}

// Tries every argument reader on what follows a command token, each from the
// same position, and leaves the stream there. False if any ended fatally.
bool readArguments(ScriptStream& stream) {
    const char* arguments = stream.read_position;
    bool clean = survives([&] { runStoreCommand(stream); });
    stream.jumpTo(arguments);
    clean &= survives([&] { readArgumentList(stream, [&] { stream.readInteger(); }); });
    stream.jumpTo(arguments);
    clean &= survives([&] { readArgumentList(stream, [&] { stream.readStr(); }); });
    stream.jumpTo(arguments);
    clean &= survives([&] { readArgumentList(stream, [&] { stream.readVariableRef(); }); });
    stream.jumpTo(arguments);
    return clean;
}

bool isCommandToken(const ScriptStream& stream) {
    if (stream.lastTokenWasText()) return false;
    char first = stream.token_buffer[0];
    return (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z');
}

// Moves to the start of the line after `from`; false when there is none.
bool skipToNextLine(ScriptStream& stream, const char* from) {
    const char* end = stream.bufferEnd();
    if (from < stream.bufferStart() || from >= end) return false;
    const void* lf = std::memchr(from, '\n', static_cast<size_t>(end - from));
    if (!lf) return false;
    stream.jumpTo(static_cast<const char*>(lf) + 1);
    return true;
}

void walkScript(ScriptStream& stream) {
    const char* end = stream.bufferEnd();
    stream.jumpTo(stream.bufferStart());
    for (int step = 0; step < MAX_STEPS && stream.read_position < end; ++step) {
        const char* before = stream.read_position;
        bool clean = survives([&] { stream.readToken(); });
        if (clean) {
            require(stream.read_position >= before && stream.read_position <= end,
                    "a token leaves the read position inside the buffer, not behind");
            require(stream.token_length >= 0 && stream.token_length < velmora::TOKEN_BUFFER_SIZE &&
                        stream.token_buffer[stream.token_length] == '\0',
                    "the token buffer holds a terminated token");
            if (isCommandToken(stream)) clean = readArguments(stream);
        }
        // A fatal error, or a token that did not move (a NUL byte), skips the line.
        if (!clean || stream.read_position == before) {
            if (!skipToNextLine(stream, before)) return;
        }
    }
}

void runInput(const uint8_t* data, size_t size) {
    if (size == 0) return;
    uint8_t selector = data[0];
    std::vector<char> script(data + 1, data + size);
    if (selector & SELECT_SCRAMBLED) {
        for (char& c : script) c = static_cast<char>(static_cast<uint8_t>(c) ^ SCRAMBLE_KEY);
    }
    if (selector & SELECT_UTF8) {
        const size_t capacity = velmora::sjisCapacityFor(script.size());
        std::vector<char> sjis(capacity + 1);
        const velmora::Utf8Conversion converted =
            velmora::convertUtf8ToSjis(script.data(), script.size(), sjis.data());
        require(converted.length <= capacity, "the conversion stays within its capacity");
        require(converted.problems.size() <= velmora::MAX_NOTED_PROBLEMS,
                "the conversion notes no more problems than it may");
        sjis.resize(converted.length);
        script.swap(sjis);
    }
    ScriptStream stream;
    if (!survives([&] { stream.loadFromMemory(script.data(), script.size()); })) return;
    // A header that asks for more variables than can be allocated is refused:
    // the buffer is kept but no label table is built, and there is nothing to walk.
    if (stream.labelTable().empty()) return;
    checkLoadedScript(stream, script.size());
    stream.english_lines = (selector & SELECT_ENGLISH_LINES) != 0;
    walkScript(stream);
}

// libFuzzer parses its flags after LLVMFuzzerInitialize, so a flag appended
// here takes effect. close_fd_mask=3 sends the engine's stdout and stderr to
// /dev/null while libFuzzer keeps a private copy of stderr for its own report.
std::vector<char*> extended_arguments;
char close_fd_flag[] = "-close_fd_mask=3";

void silenceEngineOutput(int* argc, char*** argv) {
    for (int i = 1; i < *argc; ++i) {
        if (std::strncmp((*argv)[i], "-close_fd_mask=", 15) == 0) return;
    }
    extended_arguments.assign(*argv, *argv + *argc);
    extended_arguments.push_back(close_fd_flag);
    extended_arguments.push_back(nullptr);
    *argc += 1;
    *argv = extended_arguments.data();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    velmora::setExitHook(throwFatal);
    if (!std::getenv("VELMORA_FUZZ_VERBOSE")) silenceEngineOutput(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    runInput(data, size);
    return 0;
}
