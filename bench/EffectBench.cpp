// Transition frames per second at common screen sizes: the crossfade, a
// soft mask fade, a mosaic and the breakup, each drawn at advancing times
// between two busy pictures.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include "graphics/Breakup.h"
#include "graphics/EffectFrames.h"
#include "graphics/PictureSurface.h"

namespace velmora {
namespace {

// Before, after and target pictures of one size, freed with the object.
struct Frames {
    Frames(int w, int h) {
        before = createSurface32(w, h, 2);
        after = createSurface32(w, h, 2);
        target = createSurface32(w, h, 2);
        mask = createSurface32(64, 64, 2);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                pixelRow(before, y)[x] = 0xff000000u | static_cast<uint32_t>(x * 7 ^ y * 3);
                pixelRow(after, y)[x] = 0xff000000u | static_cast<uint32_t>(x * y * 13 + 0x404040);
            }
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) pixelRow(mask, y)[x] = static_cast<uint32_t>(x * 4 ^ y);
        in.before = before;
        in.after = after;
        in.target = target;
        in.area = SDL_Rect{0, 0, static_cast<uint16_t>(w), static_cast<uint16_t>(h)};
        in.length = 1000;
    }
    ~Frames() {
        for (SDL_Surface* s : {before, after, target, mask}) SDL_FreeSurface(s);
    }
    // Moves the time on, wrapping before the end of the effect.
    void advance() { in.elapsed = (in.elapsed + 7) % in.length; }
    SDL_Surface *before, *after, *target, *mask;
    FrameInput in;
};

template <typename Draw> void runFrames(benchmark::State& state, Draw draw) {
    Frames frames(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        draw(frames);
        benchmark::DoNotOptimize(pixelRow(frames.target, 0)[0]);
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_EffectCrossfade(benchmark::State& state) {
    runFrames(state, [](Frames& f) {
        drawCrossfade(f.in);
        f.advance();
    });
}

void BM_EffectMaskFade(benchmark::State& state) {
    runFrames(state, [](Frames& f) {
        drawMaskBlend(f.in, f.mask, true);
        f.advance();
    });
}

void BM_EffectMosaic(benchmark::State& state) {
    runFrames(state, [](Frames& f) {
        drawMosaic(f.in, 16);
        f.advance();
    });
}

// Every frame is the next step, so each one moves pieces; the set-up (the
// difference map) is repeated whenever the steps run out.
void BM_EffectBreakup(benchmark::State& state) {
    Breakup breakup;
    int32_t step = 0;
    runFrames(state, [&](Frames& f) {
        if (step == 0) breakup.setUp("breakup.dll", f.before, f.after);
        ++step;
        f.in.elapsed = step * f.in.length / breakup.step_count;
        breakup.drawFrame(f.in);
        if (step >= breakup.step_count) step = 0;
    });
}

#define EFFECT_SIZES Args({640, 480})->Args({800, 600})->Unit(benchmark::kMillisecond)
BENCHMARK(BM_EffectCrossfade)->EFFECT_SIZES;
BENCHMARK(BM_EffectMaskFade)->EFFECT_SIZES;
BENCHMARK(BM_EffectMosaic)->EFFECT_SIZES;
BENCHMARK(BM_EffectBreakup)->EFFECT_SIZES;

} // namespace
} // namespace velmora
