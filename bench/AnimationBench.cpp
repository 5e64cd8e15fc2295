// Animation stepping over 1,000 sprites: every sprite has two cells that
// change on each step, and the engine redraws each changed sprite at once,
// then the whole screen is composed and shown. Reported per step.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "engine/Velmora.h"
#include "graphics/PictureSurface.h"

namespace {

constexpr const char* FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
constexpr int32_t CELL_MS = 100;

void BM_StepThousandSprites(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    velmora::Velmora engine;
    const std::string script = "*define\ngame\n*start\nend\n";
    engine.script.loadFromMemory(script.data(), script.size());
    engine.font_file = FONT;
    if (engine.initialise() != 0) {
        state.SkipWithError("the engine did not start");
        return;
    }
    // Two 24 x 24 cells side by side, half transparent, scattered over the screen.
    for (int32_t i = 0; i < velmora::SPRITE_COUNT; ++i) {
        velmora::AnimImage& sprite = engine.screen.sprites[i];
        sprite.transparency_mode = velmora::TransparencyMode::Alpha;
        sprite.cell_count = 2;
        sprite.allocSurface(48, 24, velmora::ENGINE_FORMAT_CODE);
        sprite.paint(static_cast<uint8_t>(i), 128, static_cast<uint8_t>(255 - i % 256), 160);
        engine.placeOnScreen(sprite, (i * 37) % 616, (i * 53) % 456);
        sprite.cell_durations = {CELL_MS, CELL_MS};
        sprite.remaining_ms = CELL_MS;
        sprite.loop_mode = velmora::LoopMode::Cycle;
        sprite.animating = true;
        sprite.visible = true;
    }
    const SDL_Rect whole{0, 0, 640, 480};
    for (auto _ : state) {
        engine.advanceAnimations(CELL_MS);
        engine.stepAnimations();
        engine.screen.show(whole, engine.screen.refreshFlags(), engine.layerSettings());
    }
    state.counters["steps_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StepThousandSprites)->Unit(benchmark::kMillisecond);

} // namespace
