// Waiting: the CPU an engine uses while it waits for a click with nothing to
// animate, and the latency from a click to the next frame shown on screen.
// The idle cost is measured on the real program over two seconds of a click
// wait; the latency inside the process, with the click pushed from another
// thread as the media layer would deliver it.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "EngineCpu.h"
#include "common/Exit.h"
#include "engine/Velmora.h"

namespace {

constexpr const char* FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

void BM_IdleClickWait(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / "velmora-idle-bench";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "0.txt") << "*define\ngame\n*start\nclick\nend\n";
    double percent = 0;
    // Let it reach the wait, then measure two seconds of waiting.
    for (auto _ : state)
        percent = velmora::bench::engineCpuPercent(dir, std::chrono::milliseconds(800),
                                                   std::chrono::seconds(2));
    state.counters["cpu_percent"] = percent;
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_IdleClickWait)->Iterations(1)->Unit(benchmark::kSecond);

void BM_ClickToShownFrame(benchmark::State& state) {
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
    const SDL_Rect whole{0, 0, 640, 480};
    double total_us = 0;
    int64_t clicks = 0;
    for (auto _ : state) {
        std::chrono::steady_clock::time_point clicked;
        std::thread player([&clicked] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            SDL_Event event{};
            event.type = SDL_MOUSEBUTTONUP;
            event.button.button = SDL_BUTTON_LEFT;
            clicked = std::chrono::steady_clock::now();
            SDL_PushEvent(&event);
        });
        engine.input.event_mode = velmora::MODE_CLICK;
        engine.runWait(-1);
        engine.screen.show(whole, engine.screen.refreshFlags(), engine.layerSettings());
        const auto shown = std::chrono::steady_clock::now();
        player.join();
        total_us += std::chrono::duration<double, std::micro>(shown - clicked).count();
        ++clicks;
    }
    state.counters["latency_us"] = total_us / static_cast<double>(clicks);
}
BENCHMARK(BM_ClickToShownFrame)->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace
