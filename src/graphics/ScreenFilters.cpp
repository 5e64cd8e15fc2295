#include "graphics/ScreenFilters.h"

#include "graphics/PictureSurface.h"
#include "graphics/RectClip.h"

namespace velmora {

MonochromeTable buildMonochromeTable(Rgb tint) {
    MonochromeTable table{};
    for (uint32_t i = 0; i < 256; ++i)
        for (size_t c = 0; c < 3; ++c) table[i][c] = static_cast<uint8_t>(i * tint[c] >> 8);
    return table;
}

namespace {

// Calls `apply` on every pixel of `rect` cut to the surface.
template <typename Apply>
void forEachPixel(SDL_Surface* surface, const SDL_Rect& rect, Apply apply) {
    if (!isPixelSurface32(surface)) return;
    SDL_Rect cut = rect;
    const SDL_Rect bounds{0, 0, clampToUint16(surface->w), clampToUint16(surface->h)};
    if (clipRect(cut, bounds) < 0) return;
    SurfaceLock lock(surface);
    if (!lock.locked()) return;
    for (int y = cut.y; y < cut.y + cut.h; ++y) {
        uint32_t* row = pixelRow(surface, y) + cut.x;
        for (int x = 0; x < cut.w; ++x) row[x] = apply(row[x]);
    }
}

} // namespace

void invertRect(SDL_Surface* surface, const SDL_Rect& rect) {
    forEachPixel(surface, rect,
                 [](uint32_t pixel) { return pixel ^ (RED_MASK | GREEN_MASK | BLUE_MASK); });
}

void monochromeRect(SDL_Surface* surface, const SDL_Rect& rect, const MonochromeTable& table) {
    forEachPixel(surface, rect, [&table](uint32_t pixel) {
        const uint32_t grey =
            (77 * (pixel >> 16 & 255) + 151 * (pixel >> 8 & 255) + 28 * (pixel & 255)) >> 8;
        const Rgb& c = table[grey];
        return uint32_t{c[0]} << 16 | uint32_t{c[1]} << 8 | c[2];
    });
}

void shadeRect(SDL_Surface* surface, const SDL_Rect& rect, Rgb shade) {
    const uint32_t r = shade[0] + 1u, g = shade[1] + 1u, b = shade[2] + 1u;
    forEachPixel(surface, rect, [r, g, b](uint32_t pixel) {
        return (pixel & ALPHA_MASK) | ((pixel >> 16 & 255) * r >> 8) << 16 |
               ((pixel >> 8 & 255) * g >> 8) << 8 | ((pixel & 255) * b >> 8);
    });
}

} // namespace velmora
