// velmora-lint's speed: a generated 20 MB game (script plus the pictures and
// sounds it names) is loaded and checked whole, as the program does it, with
// the report thrown away. Target: under a second (`ms` per run).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "interp/CommandInterpreter.h"
#include "lint/GameFiles.h"
#include "lint/LintReport.h"
#include "lint/ScriptLinter.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t SCRIPT_SIZE = 20u << 20;
constexpr int PICTURE_COUNT = 40;

// One scene: a label, pictures, a sound, a condition, a choice, text and a jump.
void appendScene(std::string& out, int n) {
    const std::string next = std::to_string(n + 1);
    const std::string picture = "bg" + std::to_string(n % PICTURE_COUNT) + ".png";
    out += "*scene" + std::to_string(n) + "\n";
    out += "; scene " + std::to_string(n) + "\n";
    out += "bg \"" + picture + "\",2\n";
    out += "lsp 1,\":a/2,100,0;" + picture + "\",10,20:print 1\n";
    out += "dwave 0,\"voice\\v.wav\"\n";
    out += "mov %1,%2 * 3 + ?0[1]\n";
    out += "if %1 >= 10 && %2 < 3 gosub *helper\n";
    out += "select \"\x82\xa0\x82\xa2\",*scene" + next + ",\n       \"go\",*scene" + next + "\n";
    out += "\x82\xa0\x82\xa2\x82\xa4#ff8800\x82\xa9\x82\xb3\x82\xcd\x82\xf0\x93\xfa@\n";
    out += "`Some English text with %1 in it.\\\n";
    out += "helper 1,*scene" + next + "\n";
}

// Writes the game once; removed when the program ends.
struct GeneratedGame {
    fs::path dir = fs::temp_directory_path() / ("velmora-lint-bench-" + std::to_string(getpid()));
    GeneratedGame() {
        fs::create_directories(dir / "voice");
        std::string text = ";$V4096G200\n*define\ndim ?0[4]\ndefsub helper\ngame\n*start\n";
        text.reserve(SCRIPT_SIZE + 1024);
        int n = 0;
        while (text.size() < SCRIPT_SIZE) appendScene(text, n++);
        text += "*scene" + std::to_string(n) + "\n*helper\nreturn\n";
        std::ofstream(dir / "0.txt", std::ios::binary) << text;
        for (int i = 0; i < PICTURE_COUNT; ++i)
            std::ofstream(dir / ("bg" + std::to_string(i) + ".png")) << "x";
        std::ofstream(dir / "voice" / "v.wav") << "x";
    }
    ~GeneratedGame() { fs::remove_all(dir); }
};

void BM_LintScript(benchmark::State& state) {
    static GeneratedGame game;
    std::FILE* sink = std::fopen("/dev/null", "w");
    size_t problems = 0;
    double best_ms = 1e9;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        velmora::CommandInterpreter interpreter;
        interpreter.script.archive_path = game.dir.string() + "/";
        if (interpreter.script.loadScript(interpreter.script.archive_path) != 0) {
            state.SkipWithError("the generated script does not load");
            break;
        }
        velmora::lint::GameFiles files(interpreter.script);
        files.openStartupReader();
        velmora::lint::LintReport report(interpreter.script);
        velmora::lint::ScriptLinter(interpreter, files, report).run();
        problems = report.count();
        report.print(sink);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        best_ms = std::min(best_ms, took.count());
    }
    std::fclose(sink);
    state.counters["ms"] = best_ms;
    state.counters["problems"] = static_cast<double>(problems);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * SCRIPT_SIZE));
}
BENCHMARK(BM_LintScript)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
