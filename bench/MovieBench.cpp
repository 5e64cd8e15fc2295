// Movies: the cost of decoding and scaling one picture of the demo's movie (a
// 640 × 480 MPEG-1 program stream at 25 pictures a second, with sound), and
// the CPU the real program uses while it plays it.
//
// BM_MovieDecodeScale drives the movie player on a made-up clock, one picture
// time per iteration, looping the movie, into a 32-bit surface of the size
// given (640 × 480: conversion only; 800 × 600: scaled up). `ms_per_picture`
// is the process CPU time per picture; `cpu_percent_at_30fps` is what that
// costs at 30 pictures a second, as a share of one core (target: under 25).
//
// BM_MoviePlayback runs `velmora` headless on a game that loops the movie and
// measures the program's CPU time over three seconds of playing, sound
// included (`cpu_percent`). VELMORA_BENCH_MOVIE names another file to measure.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <time.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "EngineCpu.h"
#include "sound/MoviePlayer.h"

namespace {

namespace fs = std::filesystem;

constexpr int64_t PICTURE_MS = 40; // the demo's movie has 25 pictures a second
constexpr double TARGET_RATE = 30;
constexpr auto SETTLE_TIME = std::chrono::milliseconds(800);
constexpr auto MEASURE_TIME = std::chrono::seconds(3);

// The demo's movie, or the file VELMORA_BENCH_MOVIE names (to measure another).
fs::path moviePath() {
    const char* other = std::getenv("VELMORA_BENCH_MOVIE");
    return other ? fs::path(other) : fs::path(VELMORA_DEMO_MOVIES) / "dusk.mpg";
}

double processCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void BM_MovieDecodeScale(benchmark::State& state) {
    const std::string clip = readFile(moviePath());
    auto bytes = std::make_unique<uint8_t[]>(clip.size());
    std::memcpy(bytes.get(), clip.data(), clip.size());
    velmora::MoviePlayer player;
    velmora::MovieOptions options;
    options.loop = true;
    std::string error;
    SDL_Surface* surface =
        SDL_CreateRGBSurface(SDL_SWSURFACE, static_cast<int>(state.range(0)),
                             static_cast<int>(state.range(1)), 32, 0xff0000, 0xff00, 0xff, 0);
    if (!player.open(std::move(bytes), clip.size(), options, error) ||
        !player.setDisplay(surface)) {
        state.SkipWithError(("the demo's movie does not play: " + error).c_str());
        SDL_FreeSurface(surface);
        return;
    }
    int64_t now = 0;
    const double cpu_before = processCpuMs();
    for (auto _ : state) {
        now += PICTURE_MS;
        player.advance(now);
    }
    const double per_picture =
        (processCpuMs() - cpu_before) / static_cast<double>(player.picturesShown());
    state.counters["ms_per_picture"] = per_picture;
    state.counters["cpu_percent_at_30fps"] = per_picture * TARGET_RATE / 10;
    SDL_FreeSurface(surface);
}
BENCHMARK(BM_MovieDecodeScale)
    ->Args({640, 480})
    ->Args({800, 600})
    ->Iterations(500)
    ->Unit(benchmark::kMillisecond);

void BM_MoviePlayback(benchmark::State& state) {
    const fs::path dir = fs::temp_directory_path() / "velmora-movie-bench";
    fs::create_directories(dir);
    fs::copy_file(moviePath(), dir / "dusk.mpg", fs::copy_options::overwrite_existing);
    std::ofstream(dir / "0.txt") << "*define\ngame\n*start\nmovie \"dusk.mpg\",loop\nend\n";
    double percent = 0;
    for (auto _ : state) percent = velmora::bench::engineCpuPercent(dir, SETTLE_TIME, MEASURE_TIME);
    state.counters["cpu_percent"] = percent;
    fs::remove_all(dir);
}
BENCHMARK(BM_MoviePlayback)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
