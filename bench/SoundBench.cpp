// Sound: the mixer's CPU cost with 16 sounds playing at once, and the time from
// starting a sound to its first audible sample in the output. Both drive the
// sound object on the disk audio driver, which writes the mixed output to a
// file instead of a device, in the engine's format: 44.1 kHz, 16-bit stereo,
// 4096-frame buffers.
//
// BM_MixSixteenSounds loops 16 tones on channels 1-16. With delay_ms 0 the
// driver runs unthrottled and the mixer produces hundreds of seconds of audio
// per second, so the process CPU time over the seconds of audio produced is
// the cost of mixing itself; with delay_ms 93 it runs at about real time and
// the figure adds the audio thread's waking for every buffer. `cpu_percent`
// is CPU time per second of audio as a percentage of one core (target: under
// 2). The audio produced is counted by a post-mix effect; the output goes to
// /dev/null.
//
// BM_SoundStartLatency starts a tone on channel 1 and polls the output file
// for its first sample above silence; the time from the call to that sample
// appearing is `latency_ms` (the mean, also the benchmark's time) and
// `max_latency_ms`. The driver takes a buffer every 10 ms here, and the starts
// are spread over that cycle; a device would add up to one buffer of playing
// (`buffer_ms`) on top: the target is a latency under 30 ms beyond that
// buffer. `call_ms` is the part spent in playSoundFile.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <SDL_mixer.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "WavWriter.h"
#include "archive/DirectReader.h"
#include "sound/SoundSystem.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int AUDIO_FREQUENCY = 44100;
constexpr int AUDIO_CHANNELS = 2;
constexpr int BUFFER_FRAMES = 4096;
constexpr int BYTES_PER_FRAME = 4;
constexpr uint32_t TONE_FRAMES = AUDIO_FREQUENCY; // one second
constexpr int16_t TONE_AMPLITUDE = 2000;
constexpr int32_t MIXED_SOUNDS = 16;
constexpr double LOWEST_TONE_HZ = 220;
constexpr double TONE_STEP_HZ = 55;
constexpr auto MIX_MEASURE_TIME = std::chrono::seconds(2);
constexpr int START_DELAY_MS = 10;
constexpr int32_t START_CHANNEL = 1;
constexpr int16_t SILENCE_THRESHOLD = 16;
constexpr int64_t START_ITERATIONS = 20;
// After a stop: long enough for the driver to write every buffer mixed before it.
constexpr auto SETTLE_TIME = std::chrono::milliseconds(100);
// Each start comes this much later in the driver's cycle than the one before,
// so the starts sample the whole cycle.
constexpr auto PHASE_STEP =
    std::chrono::microseconds(std::chrono::milliseconds(START_DELAY_MS)) / START_ITERATIONS;
constexpr auto POLL_INTERVAL = std::chrono::microseconds(200);
constexpr auto HEARING_TIMEOUT = std::chrono::seconds(2);

double msSince(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::string toneName(int32_t index) {
    return "tone-" + std::to_string(index) + ".wav";
}

// One-second tones tone-0.wav ... in a scratch directory, removed with it.
class ToneDirectory {
  public:
    explicit ToneDirectory(int32_t count) {
        std::string pattern = (fs::temp_directory_path() / "velmora-sound-bench-XXXXXX").string();
        dir = mkdtemp(pattern.data()) ? pattern : "";
        for (int32_t i = 0; i < count && !dir.empty(); ++i) {
            const double frequency = LOWEST_TONE_HZ + TONE_STEP_HZ * i;
            std::ofstream(fs::path(dir) / toneName(i), std::ios::binary)
                << velmora::test::sineWav(frequency, TONE_FRAMES, TONE_AMPLITUDE);
        }
    }
    ~ToneDirectory() {
        std::error_code ignored;
        if (!dir.empty()) fs::remove_all(dir, ignored);
    }
    ToneDirectory(const ToneDirectory&) = delete;
    ToneDirectory& operator=(const ToneDirectory&) = delete;

    // Empty when it could not be made.
    std::string dir;
};

// An environment variable set for the object's life, then put back.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, const std::string& value) : name(name) {
        if (const char* old = std::getenv(name)) previous = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (previous)
            setenv(name, previous->c_str(), 1);
        else
            unsetenv(name);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    const char* name;
    std::optional<std::string> previous;
};

// The audio device on the disk driver as the engine opens it, and an open
// sound object reading from `directory`. The driver reads its variables when
// the device opens.
class DiskAudio {
  public:
    DiskAudio(const std::string& directory, const std::string& output, int delay_ms)
        : driver("SDL_AUDIODRIVER", "disk"), output_file("SDL_DISKAUDIOFILE", output),
          delay("SDL_DISKAUDIODELAY", std::to_string(delay_ms)), reader(directory + "/") {
        // A device some earlier benchmark left open would ignore the variables.
        if (Mix_QuerySpec(nullptr, nullptr, nullptr)) return;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) return;
        subsystem_started = true;
        if (Mix_OpenAudio(AUDIO_FREQUENCY, AUDIO_S16LSB, AUDIO_CHANNELS, BUFFER_FRAMES) < 0) return;
        device_open = true;
        Mix_AllocateChannels(velmora::SOUND_CHANNELS);
        sound_system.reader = [this] { return &reader; };
        sound_system.open("");
    }
    ~DiskAudio() {
        sound_system.close();
        if (device_open) Mix_CloseAudio();
        if (subsystem_started) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    DiskAudio(const DiskAudio&) = delete;
    DiskAudio& operator=(const DiskAudio&) = delete;

    bool isOpen() const { return sound_system.isOpen(); }
    velmora::SoundSystem& sound() { return sound_system; }

  private:
    ScopedVariable driver;
    ScopedVariable output_file;
    ScopedVariable delay;
    velmora::DirectReader reader;
    velmora::SoundVolumes volumes;
    bool subsystem_started = false;
    bool device_open = false;
    velmora::SoundSystem sound_system{volumes};
};

// Counts the bytes of every buffer the mixer produces.
void countMixedBytes(int, void*, int length, void* counter) {
    static_cast<std::atomic<uint64_t>*>(counter)->fetch_add(static_cast<uint64_t>(length));
}

void BM_MixSixteenSounds(benchmark::State& state) {
    ToneDirectory tones(MIXED_SOUNDS);
    DiskAudio audio(tones.dir, "/dev/null", static_cast<int>(state.range(0)));
    if (tones.dir.empty() || !audio.isOpen()) {
        state.SkipWithError("the tones or the disk audio device could not be made");
        return;
    }
    for (int32_t i = 0; i < MIXED_SOUNDS; ++i) {
        if (audio.sound().playSoundFile(toneName(i), velmora::SOUND_AS_CHUNK, true, i + 1) !=
            velmora::SOUND_AS_CHUNK) {
            state.SkipWithError("a tone did not play as a chunk");
            return;
        }
    }
    std::atomic<uint64_t> mixed_bytes{0};
    Mix_RegisterEffect(MIX_CHANNEL_POST, countMixedBytes, nullptr, &mixed_bytes);
    double cpu_seconds = 0;
    double audio_seconds = 0;
    for (auto _ : state) {
        const uint64_t bytes_before = mixed_bytes.load();
        const double cpu_before = processCpuSeconds();
        std::this_thread::sleep_for(MIX_MEASURE_TIME);
        cpu_seconds = processCpuSeconds() - cpu_before;
        audio_seconds = static_cast<double>(mixed_bytes.load() - bytes_before) /
                        (AUDIO_FREQUENCY * BYTES_PER_FRAME);
    }
    Mix_UnregisterEffect(MIX_CHANNEL_POST, countMixedBytes);
    state.counters["cpu_percent"] = 100.0 * cpu_seconds / audio_seconds;
    state.counters["audio_seconds"] = audio_seconds;
}
BENCHMARK(BM_MixSixteenSounds)
    ->ArgName("delay_ms")
    ->Arg(0)
    ->Arg(93)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// The tail of the driver's output file, read as it grows.
class OutputTail {
  public:
    explicit OutputTail(const std::string& path) : file(std::fopen(path.c_str(), "rb")) {}
    ~OutputTail() {
        if (file) std::fclose(file);
    }
    OutputTail(const OutputTail&) = delete;
    OutputTail& operator=(const OutputTail&) = delete;

    bool isOpen() const { return file != nullptr; }

    // Reads what was appended since the last call; true when a sample in it
    // is above silence. A sample written only in part is read next time.
    bool heardSound() {
        const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
        std::clearerr(file);
        const size_t whole = got / sizeof(int16_t) * sizeof(int16_t);
        if (whole != got) std::fseek(file, -static_cast<long>(got - whole), SEEK_CUR);
        for (size_t at = 0; at < whole; at += sizeof(int16_t)) {
            int16_t sample = 0;
            std::memcpy(&sample, bytes.data() + at, sizeof sample);
            if (std::abs(sample) > SILENCE_THRESHOLD) return true;
        }
        return false;
    }

    // Passes over everything written so far, keeping to whole frames.
    void skipToEnd() {
        std::fseek(file, 0, SEEK_END);
        std::fseek(file, std::ftell(file) / BYTES_PER_FRAME * BYTES_PER_FRAME, SEEK_SET);
    }

  private:
    FILE* file;
    std::vector<char> bytes = std::vector<char>(BUFFER_FRAMES * BYTES_PER_FRAME);
};

void BM_SoundStartLatency(benchmark::State& state) {
    ToneDirectory tones(1);
    const std::string output = tones.dir + "/output.raw";
    DiskAudio audio(tones.dir, output, START_DELAY_MS);
    OutputTail tail(output);
    if (tones.dir.empty() || !audio.isOpen() || !tail.isOpen()) {
        state.SkipWithError("the tone, the disk audio device or its output could not be made");
        return;
    }
    double call_ms = 0;
    double latency_ms = 0;
    double max_latency_ms = 0;
    int64_t started = 0;
    for (auto _ : state) {
        std::this_thread::sleep_for(SETTLE_TIME + PHASE_STEP * started++);
        tail.skipToEnd();
        const auto called = Clock::now();
        audio.sound().playSoundFile(toneName(0), velmora::SOUND_AS_CHUNK, false, START_CHANNEL);
        const auto returned = Clock::now();
        while (!tail.heardSound()) {
            if (Clock::now() - called > HEARING_TIMEOUT) {
                state.SkipWithError("the tone never reached the output");
                return;
            }
            std::this_thread::sleep_for(POLL_INTERVAL);
        }
        const auto heard = Clock::now();
        audio.sound().stopChannel(START_CHANNEL);
        state.SetIterationTime(std::chrono::duration<double>(heard - called).count());
        call_ms += msSince(called, returned);
        latency_ms += msSince(called, heard);
        max_latency_ms = std::max(max_latency_ms, msSince(called, heard));
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["call_ms"] = call_ms / iterations;
    state.counters["latency_ms"] = latency_ms / iterations;
    state.counters["max_latency_ms"] = max_latency_ms;
    state.counters["buffer_ms"] = 1000.0 * BUFFER_FRAMES / AUDIO_FREQUENCY;
}
BENCHMARK(BM_SoundStartLatency)
    ->Iterations(START_ITERATIONS)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
