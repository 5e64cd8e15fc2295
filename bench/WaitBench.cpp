// Waiting: the CPU an engine uses while it waits for a click with nothing to
// animate, and the latency from a click to the next frame shown on screen.
// The idle cost is measured on the real program over two seconds of a click
// wait; the latency inside the process, with the click pushed from another
// thread as the media layer would deliver it.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "common/Exit.h"
#include "engine/Velmora.h"

namespace {

constexpr const char* FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

// User plus system CPU time of a process in clock ticks.
long cpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    // Fields after the command name, which is in parentheses.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14) utime = std::stol(field);
        if (i == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return utime + stime;
}

void BM_IdleClickWait(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / "velmora-idle-bench";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "0.txt") << "*define\ngame\n*start\nclick\nend\n";
    double percent = 0;
    for (auto _ : state) {
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            freopen("/dev/null", "w", stdout);
            execl(VELMORA_BINARY, VELMORA_BINARY, "-r", dir.c_str(), "-f", FONT, nullptr);
            _exit(127);
        }
        // Let it reach the wait, then measure two seconds of waiting.
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        const long before = cpuTicks(pid);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const long after = cpuTicks(pid);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        percent = 100.0 * static_cast<double>(after - before) / (2.0 * sysconf(_SC_CLK_TCK));
    }
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
