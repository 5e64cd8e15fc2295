// Saving and loading a large game: 4,096 saved variables (every one a number,
// every fourth one a string as well), 1,000 sprites of a 16 x 16 colour
// stripe picture, and a text window of 24 x 16 cells over a shaded area.
// The game shows no text, so the saves hold no lookback pages; the times
// below cover everything else a save holds.
//
// `BM_SaveImage` is what a save point does: capture the engine's state and
// serialise it. `BM_WriteSaveSlot` is a whole savegame: the save image, the
// quit files and the slot file and its copy, each written to a temporary file,
// synced and renamed. `BM_LoadSave` parses the file and applies it, which
// loads every sprite's picture again. Each reports `save_ms` or `load_ms`
// (target: under 5). The game's files live in a scratch directory.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "common/Exit.h"
#include "engine/Velmora.h"
#include "persist/SaveFile.h"

namespace {

namespace fs = std::filesystem;

using Clock = std::chrono::steady_clock;
using velmora::SaveState;
using velmora::Velmora;

constexpr const char* FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
constexpr int32_t VARIABLE_COUNT = 4096;
constexpr int32_t STRING_EVERY = 4;
// The word that ends the set-up; it is left as the current token, unrun.
constexpr const char* MARKER = "velmora_bench_saved_here";
constexpr int32_t SLOT = 1;

// A fatal error during the set-up ends the benchmark instead of the process.
struct ScriptEnded {};

[[noreturn]] void throwOnExit(int) {
    throw ScriptEnded{};
}

double millisecondsSince(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// The script: the header saves every variable (the global border is where
// the saved ones end), then one statement a line sets the text window, the
// variables and the sprites.
std::string gameScript() {
    std::string text = ";$V" + std::to_string(VARIABLE_COUNT) + "G" +
                       std::to_string(VARIABLE_COUNT) + "\n*define\ngame\n*start\n";
    text += "setwindow 16,16,24,16,24,24,2,4,20,1,1,\"#404060\",8,8,631,471\n";
    for (int32_t n = 0; n < VARIABLE_COUNT; ++n) {
        text += "mov %" + std::to_string(n) + "," + std::to_string(n * 7919 - 1'000'000) + "\n";
        if (n % STRING_EVERY == 0)
            text += "mov $" + std::to_string(n) + ",\"saved string number " + std::to_string(n) +
                    "\"\n";
    }
    for (int32_t i = 0; i < velmora::SPRITE_COUNT; ++i) {
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%02x%02x%02x", i % 256, (i * 7) % 256,
                      255 - i % 256);
        text += "lsp " + std::to_string(i) + ",\":c;>16,16," + colour + "\"," +
                std::to_string((i * 37) % 624) + "," + std::to_string((i * 53) % 464) + "\n";
    }
    text += MARKER;
    text += "\n";
    return text;
}

// An engine over the script, run up to the marker; its side files, the slot
// files among them, in a scratch directory.
class SavedGame {
  public:
    SavedGame() {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        directory = fs::temp_directory_path() / "velmora-save-bench";
        std::error_code error;
        fs::remove_all(directory, error);
        fs::create_directories(directory / "sav", error);
        velmora::setExitHook(throwOnExit);
        const std::string script = gameScript();
        engine = std::make_unique<Velmora>();
        engine->script.archive_path = directory.string() + "/";
        engine->script.loadFromMemory(script.data(), script.size());
        engine->font_file = FONT;
        try {
            ready = engine->initialise() == 0 && runToMarker();
        } catch (const ScriptEnded&) {
            ready = false;
        }
    }
    ~SavedGame() {
        engine.reset();
        Velmora::shutdownMediaLayer();
        velmora::setExitHook(nullptr);
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }
    SavedGame(const SavedGame&) = delete;
    SavedGame& operator=(const SavedGame&) = delete;

    std::unique_ptr<Velmora> engine;
    bool ready = false;

  private:
    // Runs statements, counting lines as the execution loop does, until the
    // marker; false when the script ends before it.
    bool runToMarker() {
        while (std::strcmp(engine->script.token_buffer.data(), MARKER) != 0) {
            if (engine->script.read_position >= engine->script.bufferEnd()) return false;
            const int32_t code = engine->Parseline();
            if (code & (velmora::RESULT_DROP_LINE | velmora::RESULT_LINE_DONE)) {
                if (code & velmora::RESULT_DROP_LINE) engine->script.advanceLines(1);
                ++engine->current_line;
            }
            engine->fetchToken();
        }
        return true;
    }

    fs::path directory;
};

void BM_SaveImage(benchmark::State& state) {
    SavedGame game;
    if (!game.ready) {
        state.SkipWithError("the game did not reach its save point");
        return;
    }
    double total_ms = 0;
    size_t size = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const std::vector<uint8_t> image = velmora::serialiseSave(game.engine->captureSaveState());
        total_ms += millisecondsSince(start);
        size = image.size();
        benchmark::DoNotOptimize(image.data());
    }
    state.counters["save_ms"] = total_ms / static_cast<double>(state.iterations());
    state.counters["save_bytes"] = static_cast<double>(size);
}

void BM_WriteSaveSlot(benchmark::State& state) {
    SavedGame game;
    if (!game.ready) {
        state.SkipWithError("the game did not reach its save point");
        return;
    }
    double total_ms = 0;
    for (auto _ : state) {
        // As at a new save point: the save takes a fresh image.
        game.engine->text.save_allowed = game.engine->text.save_point_pending = true;
        const Clock::time_point start = Clock::now();
        const int32_t result = game.engine->writeSaveSlot(SLOT, nullptr);
        total_ms += millisecondsSince(start);
        if (result != 0) {
            state.SkipWithError("the slot was not written");
            return;
        }
    }
    state.counters["save_ms"] = total_ms / static_cast<double>(state.iterations());
}

void BM_LoadSave(benchmark::State& state) {
    SavedGame game;
    if (!game.ready) {
        state.SkipWithError("the game did not reach its save point");
        return;
    }
    Velmora& engine = *game.engine;
    const SaveState saved = engine.captureSaveState();
    const std::vector<uint8_t> file = velmora::serialiseSave(saved);
    const velmora::SaveLayout layout = engine.saveLayout();
    double total_ms = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        SaveState parsed;
        std::string error;
        const bool loaded = velmora::parseSave(file.data(), file.size(), layout, parsed, error) ==
                                velmora::SaveParse::Parsed &&
                            engine.applySaveState(parsed);
        total_ms += millisecondsSince(start);
        if (!loaded) {
            state.SkipWithError("the save was not loaded");
            return;
        }
    }
    // What was loaded is what was saved.
    if (engine.captureSaveState() != saved) state.SkipWithError("the load changed the game");
    state.counters["load_ms"] = total_ms / static_cast<double>(state.iterations());
}

} // namespace

BENCHMARK(BM_SaveImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteSaveSlot)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadSave)->Unit(benchmark::kMillisecond);
