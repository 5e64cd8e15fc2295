// Script loading throughput. A 20 MB script is generated once into a
// temporary directory, as plain text (0.txt) and scrambled with CR LF line ends
// (vlscene.dat), and a 20 MB script of the same scenes in UTF-8 with a
// byte-order mark. The baseline reads the plain file with fread in 4096-byte
// blocks; the loader runs on all three forms. Each loader benchmark reports
// bytes per second and `vs_read`, its best time over the best baseline time.
// BM_ConvertUtf8 times the conversion of the UTF-8 script alone, in memory.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "script/ScriptStream.h"
#include "script/Utf8Script.h"
#include "text/ShiftJis.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr size_t SCRIPT_SIZE = 20u << 20;
constexpr size_t READ_BLOCK = 4096;
constexpr int BASELINE_PASSES = 5;

// Two-byte Shift_JIS characters: hiragana and a few common kanji.
constexpr const char* JAPANESE[] = {"\x82\xa0", "\x82\xa2", "\x82\xa4", "\x82\xa9",
                                    "\x82\xb3", "\x82\xcd", "\x82\xf0", "\x93\xfa",
                                    "\x96\x7b", "\x8c\xea", "\x90\x6c", "\x8e\x9e"};

// One label's worth of script: commands with expressions, story text and comments.
void appendScene(std::string& out, int n, std::mt19937& rng) {
    out += "*l" + std::to_string(n) + "\n";
    out += "; scene " + std::to_string(n) + ": variables, text and a jump\n";
    out += "mov %" + std::to_string(n % 200) + ",%" + std::to_string(n % 50) + " * (" +
           std::to_string(n % 7) + " + 3) mod 13\n";
    out += "if %1 >= " + std::to_string(n % 100) + " add ?5[1][2],%%3 + 1 : goto *l" +
           std::to_string(n + 1) + "\n";
    out += "mov $" + std::to_string(n % 30) + ",\"name\"+$2+\"" + std::to_string(n) + "\"\n";
    for (int line = 0; line < 3; ++line) {
        int length = 20 + static_cast<int>(rng() % 20);
        for (int i = 0; i < length; ++i) out += JAPANESE[rng() % std::size(JAPANESE)];
        out += line == 2 ? "\\\n" : "@\n";
    }
    out += "\tbg \"image\\bg" + std::to_string(n % 40) + ".png\",10 ; the background\n";
}

std::string generateScript() {
    std::string text = ";$V4096G200S800,600\n*define\ngame\n*start\n";
    text.reserve(SCRIPT_SIZE + 1024);
    std::mt19937 rng(12345);
    for (int n = 0; text.size() < SCRIPT_SIZE; ++n) appendScene(text, n, rng);
    return text;
}

// The same scenes in UTF-8 behind a byte-order mark, converted scene by scene
// until the text reaches SCRIPT_SIZE.
std::string generateUtf8Script() {
    std::string text =
        std::string(velmora::UTF8_BOM) + ";$V4096G200S800,600\n*define\ngame\n*start\n";
    text.reserve(SCRIPT_SIZE + 1024);
    std::mt19937 rng(12345);
    std::string scene;
    for (int n = 0; text.size() < SCRIPT_SIZE; ++n) {
        scene.clear();
        appendScene(scene, n, rng);
        text += velmora::sjisToUtf8(scene);
    }
    return text;
}

// The same text with CR LF line ends, every byte XOR 0xE9.
std::string scramble(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out += static_cast<char>('\r' ^ 0xE9);
        out += static_cast<char>(static_cast<uint8_t>(c) ^ 0xE9);
    }
    return out;
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The generated games, written on first use and removed at exit.
class GeneratedGames {
  public:
    GeneratedGames() {
        root =
            fs::temp_directory_path() / ("velmora-bench-" + std::to_string(std::random_device{}()));
        fs::create_directories(root / "plain");
        fs::create_directories(root / "scrambled");
        fs::create_directories(root / "utf8");
        std::string text = generateScript();
        writeFile(root / "plain" / "0.txt", text);
        writeFile(root / "scrambled" / "vlscene.dat", scramble(text));
        writeFile(root / "utf8" / "0.txt", generateUtf8Script());
    }
    ~GeneratedGames() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    GeneratedGames(const GeneratedGames&) = delete;
    GeneratedGames& operator=(const GeneratedGames&) = delete;

    // Archive paths end in a separator: the loader appends file names to them.
    std::string plainDir() const { return (root / "plain").string() + "/"; }
    std::string scrambledDir() const { return (root / "scrambled").string() + "/"; }
    fs::path plainFile() const { return root / "plain" / "0.txt"; }
    fs::path scrambledFile() const { return root / "scrambled" / "vlscene.dat"; }
    std::string utf8Dir() const { return (root / "utf8").string() + "/"; }
    fs::path utf8File() const { return root / "utf8" / "0.txt"; }

  private:
    fs::path root;
};

const GeneratedGames& games() {
    static const GeneratedGames instance;
    return instance;
}

// Reads the whole file in 4096-byte blocks; returns the seconds taken.
double readWholeFile(const fs::path& path) {
    auto start = Clock::now();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return 0;
    char block[READ_BLOCK];
    size_t total = 0;
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0) {
        benchmark::DoNotOptimize(block);
        total += n;
    }
    std::fclose(file);
    benchmark::DoNotOptimize(total);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double bestBaseline(const fs::path& path) {
    double best = readWholeFile(path);
    for (int i = 1; i < BASELINE_PASSES; ++i) best = std::min(best, readWholeFile(path));
    return best;
}

void BM_ReadBaseline(benchmark::State& state) {
    const fs::path path = games().plainFile();
    for (auto _ : state) readWholeFile(path);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(fs::file_size(path)));
}

void runLoader(benchmark::State& state, const std::string& dir, const fs::path& file) {
    const double baseline = bestBaseline(games().plainFile());
    double best = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        velmora::ScriptStream stream;
        if (stream.loadScript(dir) != 0) {
            state.SkipWithError("loadScript failed");
            return;
        }
        benchmark::DoNotOptimize(stream.bufferStart());
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        best = best == 0 ? seconds : std::min(best, seconds);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(fs::file_size(file)));
    if (baseline > 0) state.counters["vs_read"] = best / baseline;
}

void BM_LoadPlain(benchmark::State& state) {
    runLoader(state, games().plainDir(), games().plainFile());
}

void BM_LoadScrambled(benchmark::State& state) {
    runLoader(state, games().scrambledDir(), games().scrambledFile());
}

void BM_LoadUtf8(benchmark::State& state) {
    runLoader(state, games().utf8Dir(), games().utf8File());
}

void BM_ConvertUtf8(benchmark::State& state) {
    std::ifstream in(games().utf8File(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::unique_ptr<char[]> out(new char[velmora::sjisCapacityFor(text.size())]);
    velmora::sjisCodeTable(); // built once, before the timing
    for (auto _ : state) {
        const velmora::Utf8Conversion result =
            velmora::convertUtf8ToSjis(text.data(), text.size(), out.get());
        if (!result.problems.empty()) {
            state.SkipWithError("the generated script has characters without a code");
            return;
        }
        benchmark::DoNotOptimize(out.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}

} // namespace

BENCHMARK(BM_ReadBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadScrambled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertUtf8)->Unit(benchmark::kMillisecond);
