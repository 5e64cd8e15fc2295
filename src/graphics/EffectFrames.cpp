#include "graphics/EffectFrames.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "graphics/PictureSurface.h"

namespace velmora {

namespace {

// Rectangle edges in 64 bits: effect formulas may put a rectangle far
// outside the 16-bit range of SDL_Rect before it is cut.
struct Box {
    int64_t left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const { return right <= left || bottom <= top; }
    void cut(const Box& other) {
        left = std::max(left, other.left);
        top = std::max(top, other.top);
        right = std::min(right, other.right);
        bottom = std::min(bottom, other.bottom);
    }
};

Box boxOf(const SDL_Rect& rect) {
    return {rect.x, rect.y, int64_t{rect.x} + rect.w, int64_t{rect.y} + rect.h};
}

Box boxOf(const SDL_Surface* surface) {
    return {0, 0, surface->w, surface->h};
}

// The part of the effect area that every surface of the frame covers.
Box drawableArea(const FrameInput& in) {
    Box box = boxOf(in.area);
    for (const SDL_Surface* s : {in.before, in.after, in.target})
        if (s) box.cut(boxOf(s));
    return box;
}

bool usable(const FrameInput& in) {
    return isPixelSurface32(in.before) && isPixelSurface32(in.after) && isPixelSurface32(in.target);
}

// The progress value E x scale / L, with the whole scale once the effect
// has no length left.
int64_t progress(const FrameInput& in, int64_t scale) {
    if (in.length <= 0 || in.elapsed >= in.length) return scale;
    return int64_t{std::max(in.elapsed, 0)} * scale / in.length;
}

int64_t scaled(const FrameInput& in, int64_t value) {
    if (in.scale_den <= 0) return value;
    return value * in.scale_num / in.scale_den;
}

using Lanes = uint32_t __attribute__((vector_size(16)));

// before + (after - before) x m / 256 per channel pair, as the plain blend
// computes it, with the alpha byte of the result 0.
inline uint32_t fadePixel(uint32_t b, uint32_t n, uint32_t m) {
    const uint32_t b_rb = b & 0x00ff00ffu;
    const uint32_t b_g = b & 0x0000ff00u;
    const uint32_t rb = (b_rb + ((((n & 0x00ff00ffu) - b_rb) * m) >> 8)) & 0x00ff00ffu;
    const uint32_t g = (b_g + ((((n & 0x0000ff00u) - b_g) * m) >> 8)) & 0x0000ff00u;
    return rb | g;
}

inline Lanes fadeLanes(Lanes b, Lanes n, Lanes m) {
    const Lanes rb_mask = Lanes{} + 0x00ff00ffu;
    const Lanes g_mask = Lanes{} + 0x0000ff00u;
    const Lanes b_rb = b & rb_mask;
    const Lanes b_g = b & g_mask;
    const Lanes rb = (b_rb + ((((n & rb_mask) - b_rb) * m) >> 8)) & rb_mask;
    const Lanes g = (b_g + ((((n & g_mask) - b_g) * m) >> 8)) & g_mask;
    return rb | g;
}

// One row of the fade with the weights in `m` (one per pixel).
void fadeRow(const uint32_t* b, const uint32_t* n, uint32_t* out, int64_t count,
             const uint32_t* m) {
    int64_t i = 0;
    for (; i + 4 <= count; i += 4) {
        Lanes lb, ln, lm;
        std::memcpy(&lb, b + i, sizeof lb);
        std::memcpy(&ln, n + i, sizeof ln);
        std::memcpy(&lm, m + i, sizeof lm);
        const Lanes r = fadeLanes(lb, ln, lm);
        std::memcpy(out + i, &r, sizeof r);
    }
    for (; i < count; ++i) out[i] = fadePixel(b[i], n[i], m[i]);
}

// One row of the fade with a single weight.
void fadeRow(const uint32_t* b, const uint32_t* n, uint32_t* out, int64_t count, uint32_t m) {
    const Lanes lm = Lanes{} + m;
    int64_t i = 0;
    for (; i + 4 <= count; i += 4) {
        Lanes lb, ln;
        std::memcpy(&lb, b + i, sizeof lb);
        std::memcpy(&ln, n + i, sizeof ln);
        const Lanes r = fadeLanes(lb, ln, lm);
        std::memcpy(out + i, &r, sizeof r);
    }
    for (; i < count; ++i) out[i] = fadePixel(b[i], n[i], m);
}

void fillBox(SDL_Surface* target, const Box& box, uint32_t colour) {
    if (box.empty()) return;
    for (int64_t y = box.top; y < box.bottom; ++y)
        std::fill_n(pixelRow(target, static_cast<int>(y)) + box.left, box.right - box.left, colour);
}

} // namespace

void copyAfterRect(const FrameInput& in, int64_t x, int64_t y, int64_t w, int64_t h) {
    if (w <= 0 || h <= 0 || !usable(in)) return;
    Box box{x, y, x + w, y + h};
    box.cut(drawableArea(in));
    if (box.empty()) return;
    copyArea(in.after, in.target,
             SDL_Rect{static_cast<int16_t>(box.left), static_cast<int16_t>(box.top),
                      static_cast<uint16_t>(box.right - box.left),
                      static_cast<uint16_t>(box.bottom - box.top)});
}

void copyShifted(const FrameInput& in, SDL_Surface* from, int64_t sx, int64_t sy, int64_t w,
                 int64_t h, int64_t dx, int64_t dy) {
    if (w <= 0 || h <= 0 || !isPixelSurface32(from) || !isPixelSurface32(in.target)) return;
    Box source{sx, sy, sx + w, sy + h};
    source.cut(boxOf(from));
    if (source.empty()) return;
    dx += source.left - sx;
    dy += source.top - sy;
    Box dest{dx, dy, dx + (source.right - source.left), dy + (source.bottom - source.top)};
    Box limit = boxOf(in.area);
    limit.cut(boxOf(in.target));
    dest.cut(limit);
    if (dest.empty()) return;
    // Source position of the destination's top-left pixel.
    const int64_t fx = source.left + (dest.left - dx);
    const int64_t fy = source.top + (dest.top - dy);
    const size_t bytes = static_cast<size_t>(dest.right - dest.left) * 4;
    for (int64_t y = dest.top; y < dest.bottom; ++y)
        std::memmove(pixelRow(in.target, static_cast<int>(y)) + dest.left,
                     pixelRow(from, static_cast<int>(fy + y - dest.top)) + fx, bytes);
}

void drawWipe(const FrameInput& in, int32_t type) {
    const int64_t W = in.target ? in.target->w : 0;
    const int64_t H = in.target ? in.target->h : 0;
    const int64_t s16 = scaled(in, 16);
    const int64_t s24 = scaled(in, 24);
    if (s16 <= 0 || s24 <= 0) return;
    switch (type) {
    case 2: {
        const int64_t w = progress(in, s16);
        for (int64_t k = 0; k <= W / s16 - 1; ++k) copyAfterRect(in, k * s16, 0, w, H);
        break;
    }
    case 3: {
        const int64_t w = progress(in, s16);
        for (int64_t k = 1; k <= W / s16; ++k) copyAfterRect(in, k * s16 - w - 1, 0, w, H);
        break;
    }
    case 4: {
        const int64_t h = progress(in, s16);
        for (int64_t k = 0; k <= H / s16 - 1; ++k) copyAfterRect(in, 0, k * s16, W, h);
        break;
    }
    case 5: {
        const int64_t h = progress(in, s16);
        for (int64_t k = 1; k <= H / s16; ++k) copyAfterRect(in, 0, k * s16 - h - 1, W, h);
        break;
    }
    case 6:
    case 7: {
        const int64_t T = progress(in, s24 * 2);
        for (int64_t k = 0; k <= W / s24 && W > 0; ++k) {
            const int64_t v = T - s24 * s24 * k / W;
            if (v < 0) continue;
            if (type == 6)
                copyAfterRect(in, k * s24, 0, v, H);
            else
                copyAfterRect(in, W - k * s24 - std::min(s24, v), 0, std::min(s24, v), H);
        }
        break;
    }
    case 8:
    case 9: {
        const int64_t T = progress(in, s24 * 2);
        for (int64_t k = 0; k <= H / s24 && H > 0; ++k) {
            const int64_t v = T - s24 * s24 * k / H;
            if (v < 0) continue;
            copyAfterRect(in, 0, type == 8 ? k * s24 : H - k * s24 - v, W, v);
        }
        break;
    }
    default: break;
    }
}

void drawCrossfade(const FrameInput& in) {
    if (!usable(in)) return;
    const Box box = drawableArea(in);
    if (box.empty()) return;
    const uint32_t a = static_cast<uint32_t>(std::min<int64_t>(progress(in, 256), 256));
    const int64_t n = box.right - box.left;
    for (int64_t y = box.top; y < box.bottom; ++y) {
        const int row = static_cast<int>(y);
        fadeRow(pixelRow(in.before, row) + box.left, pixelRow(in.after, row) + box.left,
                pixelRow(in.target, row) + box.left, n, a);
    }
}

void drawScroll(const FrameInput& in, int32_t type) {
    if (!usable(in)) return;
    const int64_t W = in.target->w;
    const int64_t H = in.target->h;
    switch (type) {
    case 11: {
        const int64_t d = progress(in, W);
        copyShifted(in, in.before, 0, 0, W - d, H, d, 0);
        copyShifted(in, in.after, W - d - 1, 0, d, H, 0, 0);
        break;
    }
    case 12: {
        const int64_t f = progress(in, W);
        copyShifted(in, in.before, f, 0, W - f, H, 0, 0);
        copyShifted(in, in.after, 0, 0, f, H, W - f - 1, 0);
        break;
    }
    case 13: {
        const int64_t h = progress(in, H);
        copyShifted(in, in.before, 0, 0, W, H - h, 0, h);
        copyShifted(in, in.after, 0, H - h - 1, W, h, 0, 0);
        break;
    }
    case 14: {
        const int64_t t = progress(in, H);
        copyShifted(in, in.before, 0, t, W, H - t, 0, 0);
        copyShifted(in, in.after, 0, 0, W, t, 0, H - t - 1);
        break;
    }
    default: break;
    }
}

void drawMaskBlend(const FrameInput& in, SDL_Surface* mask, bool soft) {
    if (!isPixelSurface32(mask)) {
        drawCrossfade(in);
        return;
    }
    if (!usable(in)) return;
    const Box box = drawableArea(in);
    if (box.empty()) return;
    const uint32_t a = static_cast<uint32_t>(progress(in, soft ? 512 : 256));
    // The weight of every grey level of the mask at this time.
    uint32_t weight[256];
    for (uint32_t c = 0; c < 256; ++c) {
        const uint32_t m = c >= a ? 0 : a - c;
        weight[c] = soft ? std::min(m, 255u) : (m != 0 ? 255u : 0u);
    }
    const int64_t n = box.right - box.left;
    std::vector<uint32_t> m(static_cast<size_t>(n));
    const int64_t mw = mask->w;
    const int64_t mh = mask->h;
    SurfaceLock lock(mask);
    if (!lock.locked()) return;
    for (int64_t y = box.top; y < box.bottom; ++y) {
        const uint32_t* mask_row = pixelRow(mask, static_cast<int>(y % mh));
        int64_t mx = box.left % mw;
        for (int64_t i = 0; i < n; ++i) {
            m[i] = weight[mask_row[mx] & 0xffu];
            if (++mx == mw) mx = 0;
        }
        const int row = static_cast<int>(y);
        fadeRow(pixelRow(in.before, row) + box.left, pixelRow(in.after, row) + box.left,
                pixelRow(in.target, row) + box.left, n, m.data());
    }
}

void fillMosaic(const FrameInput& in, SDL_Surface* from, int32_t block) {
    if (!usable(in) || !isPixelSurface32(from) || block <= 0) return;
    const Box box = drawableArea(in);
    if (box.empty()) return;
    const int64_t H = in.target->h;
    const int64_t W = in.target->w;
    // Rows of blocks from the bottom up; `bottom` is a block's lowest row.
    for (int64_t bottom = H - 1; bottom >= 0; bottom -= block) {
        const int64_t top = std::max<int64_t>(bottom - block + 1, 0);
        if (bottom < box.top || top >= box.bottom) continue;
        const uint32_t* source = pixelRow(from, static_cast<int>(bottom));
        for (int64_t left = 0; left < W; left += block) {
            Box cell{left, top, std::min(left + block, W), bottom + 1};
            cell.cut(box);
            fillBox(in.target, cell, source[left]);
        }
    }
}

void drawMosaic(const FrameInput& in, int32_t type) {
    const int64_t step = progress(in, 6);
    const int64_t level = std::clamp<int64_t>(type == 16 ? 5 - step : step, 0, 5);
    fillMosaic(in, type == 16 ? in.before : in.after, 160 >> level);
}

int32_t shakeStepLimit(int32_t length, int32_t amplitude) {
    if (amplitude < 1) return std::max(length, 1);
    return std::max(length / 4 / amplitude, 1);
}

int32_t shakeOffset(const FrameInput& in, int32_t amplitude, int32_t extent) {
    if (amplitude < 1 || in.length <= 0 || in.elapsed >= in.length) return 0;
    const double E = in.elapsed;
    const double L = in.length;
    const double u = std::sin(amplitude * 2 * std::numbers::pi * E / L) *
                     static_cast<double>(scaled(in, 12)) * amplitude * (L - E) / L;
    const double limit = std::max(extent, 0);
    return static_cast<int32_t>(std::clamp(std::trunc(u), -limit, limit));
}

void drawShake(const FrameInput& in, int32_t type, int32_t amplitude) {
    if (!usable(in)) return;
    const int64_t W = in.target->w;
    const int64_t H = in.target->h;
    const bool vertical = type == 256;
    const int64_t u = shakeOffset(in, amplitude, static_cast<int32_t>(vertical ? H : W));
    const uint32_t black = 0xff000000u;
    Box band{};
    if (vertical) {
        copyShifted(in, in.after, 0, 0, W, H, 0, u);
        band = u > 0 ? Box{0, 0, W, u} : Box{0, H + u, W, H};
    } else {
        copyShifted(in, in.after, 0, 0, W, H, u, 0);
        band = u > 0 ? Box{0, 0, u, H} : Box{W + u, 0, W, H};
    }
    band.cut(drawableArea(in));
    fillBox(in.target, band, black);
}

int32_t randomShakeOffset(int32_t random, int32_t amplitude) {
    if (amplitude < 1) return 0;
    return (-1 - (random * -3 / 32768)) * amplitude * 2;
}

void drawRandomShake(const FrameInput& in, int32_t dx, int32_t dy) {
    if (!usable(in)) return;
    fillBox(in.target, drawableArea(in), 0xff000000u);
    const int64_t W = in.target->w;
    const int64_t H = in.target->h;
    copyShifted(in, in.after, 0, 0, W, H, std::clamp<int64_t>(dx, -W, W),
                std::clamp<int64_t>(dy, -H, H));
}

} // namespace velmora
