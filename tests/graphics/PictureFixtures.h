// Building small 32-bit ARGB pictures from literal pixels for the picture tests.
#pragma once

#include "graphics/PictureSurface.h"

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace velmora::test {

struct SurfaceFree {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceFree>;

constexpr uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

// A width x height picture filled row by row from `pixels` (missing ones are 0).
inline SDL_Surface* makePicture(int width, int height, const std::vector<uint32_t>& pixels) {
    SDL_Surface* surface = createSurface32(width, height, 2);
    if (!surface) return nullptr;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            pixelRow(surface, y)[x] = i < pixels.size() ? pixels[i] : 0;
        }
    return surface;
}

inline uint32_t pixelAt(SDL_Surface* surface, int x, int y) {
    return pixelRow(surface, y)[x];
}

} // namespace velmora::test
