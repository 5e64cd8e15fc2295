// Drawing a picture onto a 32-bit ARGB destination: the plain blend and the
// scaled/rotated path with its blend modes.
#include "graphics/AnimImage.h"
#include "graphics/PictureSurface.h"
#include "graphics/PixelBlend.h"
#include "graphics/RectClip.h"

#include <algorithm>

namespace velmora {

void AnimImage::blendOnto(SDL_Surface* dest, int x, int y, const SDL_Rect& clip,
                          int32_t opacity) const {
    // The clip first: a composition asks every picture, and most lie outside.
    SDL_Rect rect{clampToInt16(x), clampToInt16(y), screen_rect.w, screen_rect.h};
    ClipOffsets by_clip;
    if (clipRect(rect, clip, &by_clip) < 0) return;
    const int64_t cell_column = cellColumn();
    if (cell_column < 0 || !isPixelSurface32(surface) || !isPixelSurface32(dest)) return;
    // The clip may reach past the destination; never write outside it.
    const SDL_Rect bounds{0, 0, clampToUint16(dest->w), clampToUint16(dest->h)};
    ClipOffsets by_dest;
    if (clipRect(rect, bounds, &by_dest) < 0) return;

    const int64_t source_x = cell_column + by_clip.x + by_dest.x;
    const int64_t source_y = int64_t{by_clip.y} + by_dest.y;
    const int64_t width = std::min<int64_t>(rect.w, surface->w - source_x);
    const int64_t height = std::min<int64_t>(rect.h, surface->h - source_y);
    if (width <= 0 || height <= 0) return;

    SurfaceLock source_lock(surface);
    SurfaceLock dest_lock(dest);
    if (!source_lock.locked() || !dest_lock.locked()) return;
    for (int64_t row = 0; row < height; ++row) {
        const uint32_t* from = pixelRow(surface, static_cast<int>(source_y + row)) + source_x;
        uint32_t* to = pixelRow(dest, static_cast<int>(rect.y + row)) + rect.x;
        blendRowNormal(from, to, width, opacity);
    }
}

void AnimImage::blendAffineOnto(SDL_Surface* dest, int centre_x, int centre_y, const SDL_Rect& clip,
                                int32_t opacity) const {
    if (scale_x == 0 || scale_y == 0) return;
    if (!isPixelSurface32(surface) || !isPixelSurface32(dest)) return;
    if (cell_count < 1 || cell_index < 0 || cell_index >= cell_count) return;
    SDL_Rect box = bounding_rect;
    if (clipRect(box, clip) < 0) return;
    const int32_t x0 = box.x;
    const int32_t x1 = box.x + box.w - 1;
    const int32_t y0 = std::max<int32_t>(box.y, 0);
    const int32_t y1 = std::min<int32_t>(box.y + box.h - 1, dest->h - 1);

    const int64_t cell_w = screen_rect.w;
    const int64_t cell_h = screen_rect.h;
    const int64_t cell_x = int64_t{cell_index} * cell_w;
    SurfaceLock source_lock(surface);
    SurfaceLock dest_lock(dest);
    if (!source_lock.locked() || !dest_lock.locked()) return;
    for (int32_t y = y0; y <= y1; ++y) {
        int32_t left = x0;
        int32_t right = x1;
        narrowToPolygon(corners, y, left, right);
        left = std::max(left, 0);
        right = std::min(right, dest->w - 1);
        // Source coordinates are in half pixels, measured from the cell's
        // corner; the last shift picks the nearest-neighbour pixel.
        const int64_t ry = int64_t{y} - centre_y;
        const int64_t row_x = ((int64_t{inverse[1]} * ry) >> 9) + cell_w;
        const int64_t row_y = ((int64_t{inverse[3]} * ry) >> 9) + cell_h;
        uint32_t* to = pixelRow(dest, y);
        for (int32_t x = left; x <= right; ++x) {
            const int64_t rx = int64_t{x} - centre_x;
            const int64_t sx = (((int64_t{inverse[0]} * rx) >> 9) + row_x) >> 1;
            const int64_t sy = (((int64_t{inverse[2]} * rx) >> 9) + row_y) >> 1;
            if (sx < 0 || sx >= cell_w || sy < 0 || sy >= cell_h) continue;
            const int64_t column = cell_x + sx;
            if (column >= surface->w || sy >= surface->h) continue;
            const uint32_t source = pixelRow(surface, static_cast<int>(sy))[column];
            if (blend_mode == BlendMode::Normal)
                to[x] = blendNormal(source, to[x], opacity);
            else if (blend_mode == BlendMode::Add)
                to[x] = blendAdd(source, to[x], opacity);
            else
                to[x] = blendSubtract(source, to[x], opacity);
        }
    }
}

} // namespace velmora
