// Drawing straight into the composition surface, bypassing the layers;
// nothing shows until `draw` copies the surface to the window. Also the
// whole-screen repaint.
#include <algorithm>
#include <array>

#include "engine/Velmora.h"
#include "graphics/PictureSurface.h"
#include "graphics/RectClip.h"

namespace velmora {

namespace {

// Matrices written in scripts count 1000 as 1.0; the drawing code counts 1024.
int32_t toAffineUnits(int32_t value) {
    return clampToInt32(int64_t{value} * AFFINE_ONE / 1000);
}

// The offset into a source span of `source` pixels for the destination offset
// `offset` of a span of `dest` pixels. A mirrored span (negative size) would
// reach one pixel past its source; the offset is kept inside it.
int64_t scaledOffset(int64_t offset, int64_t dest, int64_t source) {
    const int64_t scaled = offset * source / dest;
    return std::clamp(scaled, std::min<int64_t>(0, source + 1), std::max<int64_t>(0, source - 1));
}

// Nearest-neighbour copy of source rectangle (sx, sy, sw, sh) of `from` onto
// destination rectangle (dx, dy, dw, dh) of `to`, unblended; negative sizes
// mirror. Source pixels outside the picture become transparent black.
SDL_Rect scaledCopy(SDL_Surface* from, SDL_Surface* to, const std::array<int32_t, 8>& r) {
    const auto [dx, dy, dw, dh, sx, sy, sw, sh] = r;
    const int64_t x0 = std::max<int64_t>(std::min<int64_t>(dx, int64_t{dx} + dw), 0);
    const int64_t x1 = std::min<int64_t>(std::max<int64_t>(dx, int64_t{dx} + dw), to->w);
    const int64_t y0 = std::max<int64_t>(std::min<int64_t>(dy, int64_t{dy} + dh), 0);
    const int64_t y1 = std::min<int64_t>(std::max<int64_t>(dy, int64_t{dy} + dh), to->h);
    if (x0 >= x1 || y0 >= y1) return SDL_Rect{};
    for (int64_t y = y0; y < y1; ++y) {
        const int64_t row = sy + scaledOffset(y - dy, dh, sh);
        uint32_t* out = pixelRow(to, static_cast<int>(y));
        const uint32_t* in =
            row >= 0 && row < from->h ? pixelRow(from, static_cast<int>(row)) : nullptr;
        for (int64_t x = x0; x < x1; ++x) {
            const int64_t column = sx + scaledOffset(x - dx, dw, sw);
            out[x] = in && column >= 0 && column < from->w ? in[column] : 0;
        }
    }
    return SDL_Rect{static_cast<int16_t>(x0), static_cast<int16_t>(y0),
                    static_cast<uint16_t>(x1 - x0), static_cast<uint16_t>(y1 - y0)};
}

} // namespace

int32_t Velmora::drawclearCommand() {
    if (screen.compose_surface)
        SDL_FillRect(screen.compose_surface, nullptr,
                     SDL_MapRGBA(screen.compose_surface->format, 0, 0, 0, 255));
    return RESULT_PROCEED;
}

int32_t Velmora::drawfillCommand() {
    const int32_t r = script.readInteger();
    const int32_t g = script.readInteger();
    const int32_t b = script.readInteger();
    if (screen.compose_surface)
        SDL_FillRect(screen.compose_surface, nullptr,
                     SDL_MapRGBA(screen.compose_surface->format, static_cast<uint8_t>(r),
                                 static_cast<uint8_t>(g), static_cast<uint8_t>(b), 255));
    return RESULT_PROCEED;
}

int32_t Velmora::drawbgCommand() {
    const AnimImage& background = screen.background_image;
    background.blendOnto(screen.compose_surface, background.screen_rect.x, background.screen_rect.y,
                         screen.bounds(), 255);
    return RESULT_PROCEED;
}

int32_t Velmora::drawbg2Command() {
    const int32_t x = script.readInteger();
    const int32_t y = script.readInteger();
    const int32_t scale_x = script.readInteger();
    const int32_t scale_y = script.readInteger();
    const int32_t rotation = script.readInteger();
    AnimImage view;
    view.copyFrom(screen.background_image);
    placeOnScreen(view, x, y);
    view.scale_x = scale_x;
    view.scale_y = scale_y;
    view.rotation = rotation;
    view.computeAffine();
    view.blendAffineOnto(screen.compose_surface, view.screen_rect.x, view.screen_rect.y,
                         screen.bounds(), 255);
    return RESULT_PROCEED;
}

int32_t Velmora::drawspCommand() {
    const int32_t n = script.readInteger();
    const int32_t cell = script.readInteger();
    const int32_t opacity = script.readInteger();
    const int32_t x = script.readInteger();
    const int32_t y = script.readInteger();
    AnimImage* sprite = spriteAt(n, false);
    if (!sprite) return RESULT_PROCEED;
    const int32_t own_cell = sprite->cell_index;
    sprite->selectCell(cell);
    sprite->blendOnto(screen.compose_surface, toScreen(x), toScreen(y), screen.bounds(), opacity);
    sprite->selectCell(own_cell);
    return RESULT_PROCEED;
}

int32_t Velmora::drawsp2Command() {
    const int32_t n = script.readInteger();
    const int32_t cell = script.readInteger();
    const int32_t opacity = script.readInteger();
    const int32_t x = script.readInteger();
    const int32_t y = script.readInteger();
    const int32_t scale_x = script.readInteger();
    const int32_t scale_y = script.readInteger();
    const int32_t rotation = script.readInteger();
    AnimImage* sprite = spriteAt(n, false);
    if (!sprite) return RESULT_PROCEED;
    placeOnScreen(*sprite, x, y);
    sprite->scale_x = scale_x;
    sprite->scale_y = scale_y;
    sprite->rotation = rotation;
    sprite->computeAffine();
    sprite->selectCell(cell);
    sprite->blendAffineOnto(screen.compose_surface, sprite->screen_rect.x, sprite->screen_rect.y,
                            screen.bounds(), opacity);
    return RESULT_PROCEED;
}

int32_t Velmora::drawsp3Command() {
    const int32_t n = script.readInteger();
    const int32_t cell = script.readInteger();
    const int32_t opacity = script.readInteger();
    const int32_t x = script.readInteger();
    const int32_t y = script.readInteger();
    AffineMatrix given{};
    for (int32_t& value : given) value = script.readInteger();
    AnimImage* sprite = spriteAt(n, false);
    if (!sprite) return RESULT_PROCEED;

    AffineMatrix& m = sprite->matrix;
    for (size_t i = 0; i < m.size(); ++i) m[i] = toAffineUnits(given[i]);
    // The inverse is adj(m) / det(m); with both in 1024 units that is
    // adj x 1024 x 1024 / det. A singular matrix keeps the previous inverse.
    const int64_t det = int64_t{m[0]} * m[3] - int64_t{m[1]} * m[2];
    if (det != 0) {
        const int64_t one2 = int64_t{AFFINE_ONE} * AFFINE_ONE;
        sprite->inverse = {
            clampToInt32(m[3] * one2 / det), clampToInt32(-int64_t{m[1]} * one2 / det),
            clampToInt32(-int64_t{m[2]} * one2 / det), clampToInt32(m[0] * one2 / det)};
    }

    // The corners follow from this matrix and the drawing place, so a sprite
    // that was never scaled or rotated is drawn as well.
    AnimImage view;
    view.copyFrom(*sprite);
    view.selectCell(cell);
    view.scale_x = view.scale_y = 100;
    const int32_t cx = toScreen(x), cy = toScreen(y);
    const int64_t hx = sprite->screen_rect.w / 2, hy = sprite->screen_rect.h / 2;
    int32_t min_x = INT32_MAX, min_y = INT32_MAX, max_x = INT32_MIN, max_y = INT32_MIN;
    for (int k = 0; k < 4; ++k) {
        const int64_t dx = k < 2 ? -hx : hx;
        const int64_t dy = (k == 0 || k == 3) ? -hy : hy;
        // A mirroring matrix turns the corner order round; the polygon walk needs it one way.
        const int slot = det < 0 ? (4 - k) % 4 : k;
        AffinePoint& corner = view.corners[slot];
        corner.x = clampToInt32(cx + (dx * m[0] + dy * m[1]) / AFFINE_ONE);
        corner.y = clampToInt32(cy + (dx * m[2] + dy * m[3]) / AFFINE_ONE);
        min_x = std::min(min_x, corner.x);
        min_y = std::min(min_y, corner.y);
        max_x = std::max(max_x, corner.x);
        max_y = std::max(max_y, corner.y);
    }
    view.bounding_rect = SDL_Rect{clampToInt16(min_x), clampToInt16(min_y),
                                  clampToUint16(int64_t{max_x} - min_x + 1),
                                  clampToUint16(int64_t{max_y} - min_y + 1)};
    view.blendAffineOnto(screen.compose_surface, cx, cy, screen.bounds(), opacity);
    return RESULT_PROCEED;
}

int32_t Velmora::drawtextCommand() {
    screen.text_layer_image.blendOnto(screen.compose_surface, 0, 0, screen.bounds(), 255);
    return RESULT_PROCEED;
}

int32_t Velmora::drawCommand() {
    if (screen.screen_surface && screen.compose_surface) {
        copyArea(screen.compose_surface, screen.screen_surface, screen.bounds());
        SDL_UpdateRect(screen.screen_surface, 0, 0, 0, 0);
    }
    screen.damage.clear();
    return RESULT_PROCEED;
}

int32_t Velmora::bltCommand() {
    std::array<int32_t, 8> r{};
    for (int32_t& value : r) value = toScreen(script.readInteger());
    const auto [dx, dy, dw, dh, sx, sy, sw, sh] = r;
    SDL_Surface* source = btndef_picture.surface;
    if (!source || !screen.compose_surface || dw == 0 || dh == 0 || sw == 0 || sh == 0)
        return RESULT_PROCEED;
    if (dw == sw && dw > 0 && dh == sh && dh > 0) {
        // Same size: straight to the window, until the next refresh of that area.
        if (!screen.screen_surface) return RESULT_PROCEED;
        SDL_Rect from{clampToInt16(sx), clampToInt16(sy), clampToUint16(sw), clampToUint16(sh)};
        SDL_Rect to{clampToInt16(dx), clampToInt16(dy), 0, 0};
        SDL_BlitSurface(source, &from, screen.screen_surface, &to);
        // A zero-sized update would mean the whole window.
        if (to.w > 0 && to.h > 0) SDL_UpdateRect(screen.screen_surface, to.x, to.y, to.w, to.h);
        screen.damage.clear();
        return RESULT_PROCEED;
    }
    const SDL_Rect drawn = scaledCopy(source, screen.compose_surface, r);
    if (drawn.w > 0) screen.show(drawn, 0, layerSettings());
    return RESULT_PROCEED;
}

int32_t Velmora::repaintCommand() {
    screen.damageAll();
    screen.showDamage(screen.refreshFlags(), nullptr, true, false, layerSettings());
    return RESULT_PROCEED;
}

} // namespace velmora
