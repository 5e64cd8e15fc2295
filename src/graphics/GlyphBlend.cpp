#include "graphics/GlyphBlend.h"

#include "graphics/PictureSurface.h"
#include "graphics/RectClip.h"

#include <algorithm>
#include <array>

namespace velmora {

namespace {

// 65535 / k, so that dividing by a blended alpha becomes a multiply and a
// 16-bit shift. Entry 0 is never a divisor of a drawn pixel; 255 is never needed.
constexpr std::array<int32_t, 256> makeReciprocals() {
    std::array<int32_t, 256> table{};
    table[0] = 255;
    for (int32_t k = 1; k < 255; ++k) table[k] = 65535 / k;
    return table;
}

constexpr std::array<int32_t, 256> RECIPROCAL = makeReciprocals();

// The part of a glyph that lands inside the clip and the target, with where
// reading starts in the glyph.
struct GlyphSpan {
    SDL_Rect rect{};
    int32_t left = 0;
    int32_t top = 0;
};

bool isCoverageMap(const SDL_Surface* coverage) {
    return coverage && coverage->pixels && coverage->format &&
           coverage->format->BytesPerPixel == 1 && coverage->pitch >= coverage->w;
}

bool clipGlyph(const SDL_Surface* coverage, int x, int y, bool rotated, const SDL_Rect* clip,
               int bound_w, int bound_h, GlyphSpan& span) {
    const int glyph_w = rotated ? coverage->h : coverage->w;
    const int glyph_h = rotated ? coverage->w : coverage->h;
    span.rect =
        SDL_Rect{clampToInt16(x), clampToInt16(y), clampToUint16(glyph_w), clampToUint16(glyph_h)};
    ClipOffsets moved;
    if (clip) {
        if (clipRect(span.rect, *clip, &moved) < 0) return false;
        span.left += moved.x;
        span.top += moved.y;
    }
    const SDL_Rect bounds{0, 0, clampToUint16(bound_w), clampToUint16(bound_h)};
    if (clipRect(span.rect, bounds, &moved) < 0) return false;
    span.left += moved.x;
    span.top += moved.y;
    return true;
}

// Calls put(i, j, a) for each pixel of the span with its coverage a.
template <class Put>
void forEachCoverage(SDL_Surface* coverage, const GlyphSpan& span, bool rotated, Put put) {
    const auto* bytes = static_cast<const uint8_t*>(coverage->pixels);
    for (int j = 0; j < span.rect.h; ++j)
        for (int i = 0; i < span.rect.w; ++i) {
            const int row = rotated ? coverage->h - 1 - span.left - i : span.top + j;
            const int column = rotated ? span.top + j : span.left + i;
            put(i, j, bytes[static_cast<size_t>(row) * coverage->pitch + column]);
        }
}

} // namespace

void AnimImage::blendGlyph(SDL_Surface* coverage, int x, int y, RgbColour colour,
                           const SDL_Rect* clip, bool rotated) {
    const int64_t cell_column = cellColumn();
    if (cell_column < 0 || !isPixelSurface32(surface) || !isCoverageMap(coverage)) return;
    GlyphSpan span;
    if (!clipGlyph(coverage, x, y, rotated, clip, surface->w, surface->h, span)) return;
    SurfaceLock own_lock(surface);
    SurfaceLock glyph_lock(coverage);
    if (!own_lock.locked() || !glyph_lock.locked()) return;
    const uint32_t mapped = SDL_MapRGB(surface->format, colour.r, colour.g, colour.b);
    const uint32_t source[3] = {colour.r, colour.g, colour.b};
    glyph_rect = rectUnion(glyph_rect, SDL_Rect{clampToInt16(cell_column + span.rect.x),
                                                span.rect.y, span.rect.w, span.rect.h});
    forEachCoverage(coverage, span, rotated, [&](int i, int j, uint32_t a) {
        const int64_t column = cell_column + span.rect.x + i;
        if (a == 0 || column >= surface->w) return;
        uint32_t& d = pixelRow(surface, span.rect.y + j)[column];
        if (a == 255) {
            d = mapped | ALPHA_MASK;
            return;
        }
        // Source over destination, kept non-premultiplied.
        const uint32_t ca = ((d >> 24) * (255 - a)) >> 8;
        const uint32_t out_a = std::min<uint32_t>(a + ca, 254);
        const uint32_t r = static_cast<uint32_t>(RECIPROCAL[out_a]);
        const uint32_t dest[3] = {d >> 16 & 255, d >> 8 & 255, d & 255};
        uint32_t out[3];
        for (int k = 0; k < 3; ++k) out[k] = (((ca * dest[k] + a * source[k]) * r) >> 16) & 255;
        d = out[0] << 16 | out[1] << 8 | out[2] | out_a << 24;
    });
}

void blendCoverage(SDL_Surface* target, int x, int y, SDL_Surface* coverage, RgbColour colour,
                   bool rotated, const SDL_Rect* clip) {
    if (!isPixelSurface32(target) || !isCoverageMap(coverage)) return;
    GlyphSpan span;
    if (!clipGlyph(coverage, x, y, rotated, clip, target->w, target->h, span)) return;
    SurfaceLock target_lock(target);
    SurfaceLock glyph_lock(coverage);
    if (!target_lock.locked() || !glyph_lock.locked()) return;
    const uint32_t c = SDL_MapRGB(target->format, colour.r, colour.g, colour.b);
    forEachCoverage(coverage, span, rotated, [&](int i, int j, uint32_t a) {
        if (a == 0) return;
        uint32_t& d = pixelRow(target, span.rect.y + j)[span.rect.x + i];
        if (a == 255) {
            d = c | ALPHA_MASK;
            return;
        }
        const uint32_t rb = ((d & 0x00ff00ffu) * (255 - a) + (c & 0x00ff00ffu) * a) >> 8;
        const uint32_t g = ((d & 0x0000ff00u) * (255 - a) + (c & 0x0000ff00u) * a) >> 8;
        d = (rb & 0x00ff00ffu) | (g & 0x0000ff00u) | ALPHA_MASK;
    });
}

} // namespace velmora
