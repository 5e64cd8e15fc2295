// Helpers shared by the tests: trapping the process exit, and scratch game
// directories.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace velmora::test {

// Thrown by the exit hook that ExitTrap installs.
struct ProcessExit {
    int status;
};

// Runs `body` with the process exit replaced by a throw of ProcessExit, and
// captures what it wrote to standard error. Returns the exit status, or -1000
// when `body` returned normally.
struct ExitResult {
    int status;
    std::string stderr_text;
    bool exited() const { return status != -1000; }
};
ExitResult runTrappingExit(const std::function<void()>& body);

// A fresh directory under the system's temporary directory, removed when the
// object goes out of scope.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return dir; }
    // Writes `bytes` to `name` under the directory and returns its path.
    std::filesystem::path write(const std::string& name, const std::string& bytes) const;
    // The bytes of `name` under the directory; empty when it cannot be read.
    std::string read(const std::string& name) const;

  private:
    std::filesystem::path dir;
};

// The result of running the engine program.
struct RunResult {
    int status; // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// A Japanese TrueType font installed with the build dependencies.
constexpr const char* TEST_FONT_PATH = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

// Writes a game whose define section turns globalon and runs `define`, whose
// start label runs `start` and then `end`, and plays it with `input_lines` as
// its scripted input (none when empty). Declares 10 variables, so values can
// be read back with globalValues.
RunResult playScripted(const ScratchDir& game, const std::string& start,
                       const std::string& input_lines, const std::string& define = "");

// The first `count` global variables a game with `;$V10G0` and `globalon`
// left in gloval.sav (0 and empty for those missing): numbers and texts.
std::vector<int32_t> globalValues(const ScratchDir& game, size_t count = 10);
std::vector<std::string> globalTexts(const ScratchDir& game, size_t count = 10);

// How often `part` occurs in `text`.
size_t countOf(const std::string& text, const std::string& part);

// What a headless start prints after the version line for a screen of that size.
inline std::string startupLines(int width = 640, int height = 480) {
    return "Display: " + std::to_string(width) + " x " + std::to_string(height) +
           " (32 bpp)\nAudio: 44100 Hz 16 bit stereo\n";
}

// Runs the engine program with `args` in `cwd`, headless, killed after
// `timeout_seconds`; extra environment entries are NAME=VALUE strings. The
// test font is passed with -f first unless `with_font` is false. A non-zero
// `address_space_limit` caps the program's memory at that many bytes.
RunResult runEngine(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                    int timeout_seconds = 30, const std::vector<std::string>& env = {},
                    bool with_font = true, uint64_t address_space_limit = 0);

} // namespace velmora::test
