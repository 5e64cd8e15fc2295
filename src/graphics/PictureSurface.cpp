#include "graphics/PictureSurface.h"

#include <algorithm>
#include <cstring>

namespace velmora {

namespace {

bool sizeAllowed(int width, int height) {
    if (width <= 0 || height <= 0) return false;
    if (width > MAX_SURFACE_SIDE || height > MAX_SURFACE_SIDE) return false;
    return int64_t{width} * height <= MAX_SURFACE_PIXELS;
}

SDL_Surface* makeSurface(int width, int height, int depth, uint32_t r, uint32_t g, uint32_t b,
                         uint32_t a) {
    if (!sizeAllowed(width, height)) return nullptr;
    SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, depth, r, g, b, a);
    if (surface) SDL_SetAlpha(surface, 0, 255);
    return surface;
}

SDL_Surface* makeArgb(int width, int height) {
    return makeSurface(width, height, 32, RED_MASK, GREEN_MASK, BLUE_MASK, ALPHA_MASK);
}

} // namespace

SDL_Surface* createSurface(int width, int height, int format_code) {
    if (format_code == 0) return makeSurface(width, height, 16, 0xf800, 0x07e0, 0x001f, 0);
    if (format_code == 1)
        return makeSurface(width, height, 32, 0x000000ff, 0x0000ff00, 0x00ff0000, ALPHA_MASK);
    return makeArgb(width, height);
}

SDL_Surface* createSurface32(int width, int height, int format_code) {
    if (format_code == 0) return makeArgb(width, height);
    return createSurface(width, height, format_code);
}

bool isPixelSurface32(const SDL_Surface* surface) {
    return surface && surface->pixels && surface->format && surface->format->BytesPerPixel == 4 &&
           surface->w >= 0 && surface->h >= 0 && surface->pitch / 4 >= surface->w;
}

SurfaceLock::SurfaceLock(SDL_Surface* surface) {
    if (surface && SDL_LockSurface(surface) == 0) held = surface;
}

SurfaceLock::~SurfaceLock() {
    if (held) SDL_UnlockSurface(held);
}

void copyArea(SDL_Surface* from, SDL_Surface* to, const SDL_Rect& area) {
    if (!from || !to || area.w == 0 || area.h == 0) return;
    if (!isPixelSurface32(from) || !isPixelSurface32(to)) {
        SDL_Rect source = area;
        SDL_Rect dest = area;
        SDL_UpperBlit(from, &source, to, &dest);
        return;
    }
    const int left = std::max<int>(area.x, 0);
    const int top = std::max<int>(area.y, 0);
    const int right = std::min({area.x + area.w, from->w, to->w});
    const int bottom = std::min({area.y + area.h, from->h, to->h});
    if (right <= left || bottom <= top) return;
    SurfaceLock from_lock(from);
    SurfaceLock to_lock(to);
    if (!from_lock.locked() || !to_lock.locked()) return;
    const size_t bytes = static_cast<size_t>(right - left) * 4;
    for (int y = top; y < bottom; ++y)
        std::memcpy(pixelRow(to, y) + left, pixelRow(from, y) + left, bytes);
}

} // namespace velmora
