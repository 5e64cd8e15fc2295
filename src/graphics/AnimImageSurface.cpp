// The picture's own surface: allocation, filling, copying and alpha lookup.
#include "graphics/AnimImage.h"
#include "graphics/PictureSurface.h"
#include "graphics/RectClip.h"

#include <algorithm>

namespace velmora {

bool AnimImage::allocSurface(int width, int height, int format_code) {
    if (cell_count < 1 || cell_count > width || height < 1) {
        releaseSurface();
        screen_rect.w = screen_rect.h = 0;
        return false;
    }
    if (!surface || surface->w != width || surface->h != height) {
        releaseSurface();
        surface = createSurface(width, height, format_code);
    }
    if (!surface) {
        screen_rect.w = screen_rect.h = 0;
        return false;
    }
    screen_rect.w = clampToUint16(width / cell_count);
    screen_rect.h = clampToUint16(height);
    absolute_position = true;
    return true;
}

void AnimImage::adoptSurface(SDL_Surface* filled, int format_code) {
    if (!filled) return;
    if (filled != surface) releaseSurface();
    surface = filled;
    allocSurface(filled->w, filled->h, format_code);
}

void AnimImage::paint(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    if (!isPixelSurface32(surface)) return;
    SurfaceLock lock(surface);
    if (!lock.locked()) return;
    const uint32_t colour = SDL_MapRGBA(surface->format, r, g, b, a);
    for (int y = 0; y < surface->h; ++y) std::fill_n(pixelRow(surface, y), surface->w, colour);
    glyph_rect = SDL_Rect{};
}

void AnimImage::copyFromSurface(SDL_Surface* source, const SDL_Rect* source_rect, int dest_x,
                                int dest_y) {
    if (!isPixelSurface32(surface) || !isPixelSurface32(source)) return;
    int x = 0, y = 0, w = source->w, h = source->h;
    if (source_rect) {
        x = source_rect->x;
        y = source_rect->y;
        w = source_rect->w;
        h = source_rect->h;
    }
    if (x < 0 || y < 0 || x >= source->w || y >= source->h || dest_x < 0 || dest_y < 0) return;
    w = std::min({w, source->w - x, surface->w - dest_x});
    h = std::min({h, source->h - y, surface->h - dest_y});
    if (w <= 0 || h <= 0) return;
    SurfaceLock source_lock(source);
    SurfaceLock own_lock(surface);
    if (!source_lock.locked() || !own_lock.locked()) return;
    for (int row = 0; row < h; ++row)
        std::copy_n(pixelRow(source, y + row) + x, w, pixelRow(surface, dest_y + row) + dest_x);
}

uint8_t AnimImage::alphaAt(int x, int y) const {
    const int64_t cell_column = cellColumn();
    if (cell_column < 0 || !isPixelSurface32(surface)) return 0;
    const int64_t dx = int64_t{x} - screen_rect.x;
    const int64_t dy = int64_t{y} - screen_rect.y;
    if (dx < 0 || dy < 0 || dx >= screen_rect.w || dy >= surface->h) return 0;
    const int64_t column = cell_column + dx;
    if (column >= surface->w) return 0;
    SurfaceLock lock(surface);
    if (!lock.locked()) return 0;
    return static_cast<uint8_t>(pixelRow(surface, static_cast<int>(dy))[column] >> 24);
}

} // namespace velmora
