// libFuzzer target for the readers of the files a game keeps between runs:
// gloval.sav, envdata, kidoku.dat and the label and file logs.
//
// Input layout: the low two bits of the first byte choose the file the rest
// becomes (0 gloval.sav, 1 envdata, 2 kidoku.dat, 3 a log); for kidoku.dat
// the other six bits size the script the marks cover. The file is written to
// a scratch directory and read by the engine's own reader; what it read is
// then written and read again, which must settle to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/Exit.h"
#include "interp/CommandInterpreter.h"
#include "persist/FileBuffer.h"

namespace {

using velmora::CommandInterpreter;

struct FatalError {
    int status;
};

[[noreturn]] void throwFatal(int status) {
    throw FatalError{status};
}

std::string scratch_dir;

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "side_file_fuzzer: invariant broken: %s\n", what);
    std::abort();
}

std::vector<uint8_t> contents(const char* name) {
    std::vector<uint8_t> bytes;
    velmora::readWholeFile(scratch_dir + name, velmora::FILE_BUFFER_LIMIT, bytes);
    return bytes;
}

void put(const char* name, const uint8_t* data, size_t size) {
    require(velmora::replaceFile(scratch_dir + name, data, size), "the scratch file is written");
}

// A small game: the variable store exists and the read marks have a length.
void prepare(CommandInterpreter& interp, size_t script_length) {
    std::string script = "*define\n" + std::string(script_length, ';');
    interp.script.loadFromMemory(script.data(), script.size());
    interp.script.archive_path = scratch_dir;
}

void fuzzGlobalFile(const uint8_t* data, size_t size) {
    put("gloval.sav", data, size);
    CommandInterpreter first;
    prepare(first, 0);
    first.readGlobalVariables();
    first.globalon = true;
    first.writeGlobalVariables();
    std::vector<uint8_t> written = contents("gloval.sav");
    CommandInterpreter second;
    prepare(second, 0);
    second.readGlobalVariables();
    second.globalon = true;
    second.writeGlobalVariables();
    require(contents("gloval.sav") == written, "gloval.sav settles after one round");
}

void fuzzEnvironmentFile(const uint8_t* data, size_t size) {
    put("envdata", data, size);
    // A save directory already set keeps envdata from creating the one it names.
    CommandInterpreter first;
    prepare(first, 0);
    first.save_dir = scratch_dir;
    first.readEnvironmentFile();
    for (int32_t volume :
         {first.volumes.voice_volume, first.volumes.se_volume, first.volumes.music_volume})
        require(volume >= 0 && volume <= 100, "volumes stay within 0..100");
    require(first.text_speed_index >= 0 && first.text_speed_index <= 2, "the speed index is 0..2");
    first.writeEnvironmentFile();
    std::vector<uint8_t> written = contents("envdata");
    CommandInterpreter second;
    prepare(second, 0);
    second.save_dir = scratch_dir;
    second.readEnvironmentFile();
    second.writeEnvironmentFile();
    require(contents("envdata") == written, "envdata settles after one round");
}

void fuzzReadMarks(const uint8_t* data, size_t size, size_t script_length) {
    put("kidoku.dat", data, size);
    CommandInterpreter interp;
    prepare(interp, script_length);
    interp.script.loadReadMarks();
    require(interp.script.read_marks.size() == interp.script.scriptLength() / 8 + 1,
            "the marks cover the script");
}

void fuzzLog(const uint8_t* data, size_t size) {
    put("Vlscllog.dat", data, size);
    CommandInterpreter interp;
    prepare(interp, 0);
    velmora::NameLog& log = interp.script.label_log;
    interp.script.loadLog(log);
    for (const std::string& name : log.names) {
        require(name.size() <= 255, "a logged name fits its 256-byte form");
        for (char c : name) require(!(c >= 'a' && c <= 'z') && c != '/', "names are normalised");
    }
    size_t count = log.names.size();
    interp.script.saveLog(log);
    interp.script.loadLog(log);
    require(log.names.size() <= count, "a saved log reads back no more names");
}

void runInput(const uint8_t* data, size_t size) {
    if (size == 0) return;
    uint8_t selector = data[0];
    ++data;
    --size;
    try {
        switch (selector & 3) {
        case 0: fuzzGlobalFile(data, size); break;
        case 1: fuzzEnvironmentFile(data, size); break;
        case 2: fuzzReadMarks(data, size, (selector >> 2) * 8u + 1); break;
        default: fuzzLog(data, size); break;
        }
    } catch (const FatalError&) {
        // Only an unwritable file is fatal, and the scratch directory is writable.
        require(false, "reading a side file never ends the process");
    }
}

void removeScratch() {
    std::error_code error;
    std::filesystem::remove_all(scratch_dir, error);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    velmora::setExitHook(throwFatal);
    char pattern[] = "/tmp/velmora-side-fuzz-XXXXXX";
    require(mkdtemp(pattern) != nullptr, "a scratch directory is made");
    scratch_dir = std::string(pattern) + "/";
    std::atexit(removeScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    runInput(data, size);
    return 0;
}
