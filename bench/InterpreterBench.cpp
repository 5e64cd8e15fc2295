// Interpreter throughput: whole scripts run by the execution loop until their
// `end`. One loop of mov, add, if and goto runs 10 million commands and is
// reported in commands per second; a loop of gosub and return is reported in
// call-and-return pairs per second. The process exit of `end` is turned into
// a throw so that the runs can repeat; the quit files go to a scratch
// directory.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "common/Exit.h"
#include "engine/Velmora.h"

namespace {

using velmora::Velmora;

struct ScriptEnded {
    int status;
};

[[noreturn]] void throwOnExit(int status) {
    throw ScriptEnded{status};
}

// Passes of the arithmetic loop; four commands each.
constexpr int32_t ARITHMETIC_PASSES = 2'500'000;
// Passes of the call loop; ten calls each.
constexpr int32_t CALL_PASSES = 200'000;
constexpr int32_t CALLS_PER_PASS = 10;

std::string arithmeticScript() {
    return "*define\ngame\n*start\n"
           "*loop\n"
           "add %0, 1\n"
           "mov %1, %0\n"
           "if %1 < " +
           std::to_string(ARITHMETIC_PASSES) +
           " goto *loop\n"
           "end\n";
}

std::string callScript() {
    std::string text = "*define\ngame\n*start\n*loop\n";
    for (int32_t i = 0; i < CALLS_PER_PASS; ++i) text += "gosub *sub\n";
    text += "inc %0\nif %0 < " + std::to_string(CALL_PASSES) + " goto *loop\nend\n*sub\nreturn\n";
    return text;
}

// An engine loaded with the script, its side files in a scratch directory.
class ScriptRun {
  public:
    explicit ScriptRun(const std::string& text) {
        directory = std::filesystem::temp_directory_path() / "velmora-interpreter-bench";
        std::filesystem::create_directories(directory);
        engine.script.archive_path = directory.string() + "/";
        engine.script.loadFromMemory(text.data(), text.size());
        velmora::setExitHook(throwOnExit);
    }
    ~ScriptRun() {
        velmora::setExitHook(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
    ScriptRun(const ScriptRun&) = delete;
    ScriptRun& operator=(const ScriptRun&) = delete;

    // Runs the script from its define section to its end; the exit status.
    int run() {
        try {
            engine.definereset();
            engine.fetchToken();
            engine.executeLabel();
        } catch (const ScriptEnded& ended) {
            return ended.status;
        }
    }

    Velmora engine;

  private:
    std::filesystem::path directory;
};

void BM_ArithmeticLoop(benchmark::State& state) {
    ScriptRun script(arithmeticScript());
    for (auto _ : state) {
        if (script.run() != 0 || script.engine.script.variableSlot(0).value != ARITHMETIC_PASSES) {
            state.SkipWithError("the loop did not run to its end");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * int64_t{ARITHMETIC_PASSES} * 4);
    state.SetLabel("items: commands");
}

void BM_GosubReturn(benchmark::State& state) {
    ScriptRun script(callScript());
    for (auto _ : state) {
        if (script.run() != 0 || script.engine.script.variableSlot(0).value != CALL_PASSES ||
            script.engine.call_stack.depth() != 0) {
            state.SkipWithError("the calls did not all return");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * int64_t{CALL_PASSES} * CALLS_PER_PASS);
    state.SetLabel("items: gosub/return pairs");
}

} // namespace

BENCHMARK(BM_ArithmeticLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GosubReturn)->Unit(benchmark::kMillisecond);
