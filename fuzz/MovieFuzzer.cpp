// libFuzzer target for movie files: each input is opened from memory as a
// movie (headers read, decoders opened, the first picture decoded), then up
// to a few pictures are played on a made-up clock into a small surface and
// the sound decoded meanwhile is taken as the mixer's hook would take it.
// The first byte chooses the options: bit 0 loops the movie, bit 1 decodes
// its sound. A refused input must say why; a played one shows at most one
// picture per step. The player's own deadlines bound the time per input.
#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sound/MoviePlayer.h"

namespace {

constexpr size_t MAX_INPUT_SIZE = 1u << 20;
constexpr int SURFACE_WIDTH = 64;
constexpr int SURFACE_HEIGHT = 48;
constexpr int32_t STEPS = 8;
constexpr int64_t STEP_MS = 40;
constexpr size_t HOOK_BYTES = 4096 * 4;
constexpr uint8_t OPTION_LOOP = 1;
constexpr uint8_t OPTION_SOUND = 2;
constexpr velmora::MovieAudioFormat MIXER_FORMAT{44100, AUDIO_S16SYS, 2};

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "movie_fuzzer: invariant broken: %s\n", what);
    std::abort();
}

SDL_Surface* surface = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    surface = SDL_CreateRGBSurface(SDL_SWSURFACE, SURFACE_WIDTH, SURFACE_HEIGHT, 32, 0xff0000,
                                   0xff00, 0xff, 0);
    require(surface != nullptr, "the surface is made");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > MAX_INPUT_SIZE) return 0;
    velmora::MovieOptions options;
    options.loop = (data[0] & OPTION_LOOP) != 0;
    options.with_audio = (data[0] & OPTION_SOUND) != 0;
    options.audio = MIXER_FORMAT;
    auto bytes = std::make_unique<uint8_t[]>(size - 1);
    if (size > 1) std::memcpy(bytes.get(), data + 1, size - 1);

    velmora::MoviePlayer player;
    std::string error;
    if (!player.open(std::move(bytes), size - 1, options, error)) {
        require(!error.empty(), "a refused movie says why");
        require(!player.playsAudio(), "a refused movie plays no sound");
        return 0;
    }
    require(player.setDisplay(surface), "the surface's format is drawn");
    std::vector<uint8_t> hook(HOOK_BYTES);
    int32_t steps = 0;
    for (int64_t now = 0; steps < STEPS && player.advance(now); now += STEP_MS) {
        ++steps;
        if (player.playsAudio())
            velmora::MoviePlayer::feedMixer(&player, hook.data(), static_cast<int>(hook.size()));
    }
    // The end of a looping movie and its new start may both show in one step.
    require(player.picturesShown() <= 2 * steps, "at most two pictures a step");
    return 0;
}
