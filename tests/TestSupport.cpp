#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/Exit.h"

namespace velmora::test {

namespace {
[[noreturn]] void throwExit(int status) {
    throw ProcessExit{status};
}

std::string readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
// Engine code run inside the test process writes its side files (envdata,
// read marks, logs) relative to the working directory: give every test run a
// scratch directory of its own, so nothing lands in the build tree.
class ScratchWorkingDirectory : public testing::Environment {
  public:
    void SetUp() override {
        dir = std::make_unique<ScratchDir>();
        previous = std::filesystem::current_path();
        std::filesystem::current_path(dir->path());
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        dir.reset();
    }

  private:
    std::unique_ptr<ScratchDir> dir;
    std::filesystem::path previous;
};

[[maybe_unused]] testing::Environment* const scratch_environment =
    testing::AddGlobalTestEnvironment(new ScratchWorkingDirectory);

} // namespace

ExitResult runTrappingExit(const std::function<void()>& body) {
    ExitResult result{-1000, {}};
    testing::internal::CaptureStderr();
    setExitHook(throwExit);
    try {
        body();
    } catch (const ProcessExit& e) {
        result.status = e.status;
    }
    setExitHook(nullptr);
    result.stderr_text = testing::internal::GetCapturedStderr();
    return result;
}

ScratchDir::ScratchDir() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        dir = base / ("velmora-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(dir)) break;
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

std::filesystem::path ScratchDir::write(const std::string& name, const std::string& bytes) const {
    auto path = dir / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string ScratchDir::read(const std::string& name) const {
    return readWhole(dir / name);
}

RunResult playScripted(const ScratchDir& game, const std::string& start,
                       const std::string& input_lines, const std::string& define) {
    game.write("0.txt",
               ";$V10G0\n*define\nglobalon\n" + define + "game\n*start\n" + start + "end\n");
    std::vector<std::string> env;
    if (!input_lines.empty()) {
        game.write("input.txt", input_lines);
        env.push_back("VELMORA_INPUT=" + (game.path() / "input.txt").string());
    }
    return runEngine({"-r", game.path().string()}, game.path(), 30, env);
}

namespace {

// Each record of gloval.sav: a little-endian int32, then a text ending in a 0 byte.
void readGlobals(const ScratchDir& game, size_t count, std::vector<int32_t>& values,
                 std::vector<std::string>& texts) {
    const std::string bytes = game.read("gloval.sav");
    for (size_t at = 0; at + 4 < bytes.size();) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
        values.push_back(static_cast<int32_t>(v));
        const size_t end = std::min(bytes.find('\0', at + 4), bytes.size());
        texts.push_back(bytes.substr(at + 4, end - at - 4));
        at = end + 1;
    }
    values.resize(count);
    texts.resize(count);
}

} // namespace

size_t countOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::vector<int32_t> globalValues(const ScratchDir& game, size_t count) {
    std::vector<int32_t> values;
    std::vector<std::string> texts;
    readGlobals(game, count, values, texts);
    return values;
}

std::vector<std::string> globalTexts(const ScratchDir& game, size_t count) {
    std::vector<int32_t> values;
    std::vector<std::string> texts;
    readGlobals(game, count, values, texts);
    return texts;
}

RunResult runEngine(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                    int timeout_seconds, const std::vector<std::string>& env, bool with_font,
                    uint64_t address_space_limit) {
    ScratchDir io;
    auto out_path = io.path() / "out";
    auto err_path = io.path() / "err";
    pid_t pid = fork();
    if (pid == 0) {
        int out_fd = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err_fd = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in_fd = open("/dev/null", O_RDONLY);
        dup2(in_fd, 0);
        dup2(out_fd, 1);
        dup2(err_fd, 2);
        if (chdir(cwd.c_str()) != 0) _exit(127);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        for (const auto& e : env) putenv(const_cast<char*>(e.c_str()));
        if (address_space_limit != 0) {
            const rlimit limit{address_space_limit, address_space_limit};
            if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
        }
        // SDL turns SIGTERM into a quit event, so a hung engine is stopped with SIGKILL.
        alarm(static_cast<unsigned>(timeout_seconds));
        signal(SIGALRM, SIG_DFL);
        std::vector<char*> argv;
        std::string program = VELMORA_BINARY;
        argv.push_back(program.data());
        std::vector<std::string> copies = args;
        if (with_font) copies.insert(copies.begin(), {"-f", TEST_FONT_PATH});
        for (auto& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    RunResult result{-1, {}, {}};
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds + 5);
    for (;;) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        usleep(2000);
    }
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    result.out = readWhole(out_path);
    result.err = readWhole(err_path);
    return result;
}

} // namespace velmora::test
