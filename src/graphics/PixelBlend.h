// The per-pixel arithmetic of picture drawing on packed 32-bit ARGB pixels.
// Red and blue travel together in one word (mask 0x00ff00ff) and green in
// another, so each channel pair costs one multiply.
#pragma once

#include <cstdint>

namespace velmora {

// Weight of a source pixel: its alpha scaled by the overall opacity. Only
// the low byte of the opacity counts, so -1 stands for 255. Never above 254.
inline uint32_t blendWeight(uint32_t source, int32_t opacity) {
    const uint32_t a = source >> 24;
    const uint32_t o = static_cast<uint32_t>(opacity) & 255u;
    return (a * o) >> 8;
}

// Source over destination. A fully opaque source at full opacity is copied
// whole; a transparent one leaves the destination as it was. Otherwise the
// wrapped unsigned difference is scaled and only the masked bits are kept,
// which rounds a negative difference down as well; the result is opaque.
inline uint32_t blendNormal(uint32_t source, uint32_t dest, int32_t opacity) {
    const uint32_t a = source >> 24;
    if (a == 255 && (static_cast<uint32_t>(opacity) & 255u) == 255) return source;
    if (a == 0) return dest;
    const uint32_t m = blendWeight(source, opacity);
    const uint32_t d_rb = dest & 0x00ff00ffu;
    const uint32_t d_g = dest & 0x0000ff00u;
    const uint32_t rb = (d_rb + ((((source & 0x00ff00ffu) - d_rb) * m) >> 8)) & 0x00ff00ffu;
    const uint32_t g = (d_g + ((((source & 0x0000ff00u) - d_g) * m) >> 8)) & 0x0000ff00u;
    return rb | g | 0xff000000u;
}

// blendNormal over a row of n pixels. Four pixels at a time go through the
// same wrapping 32-bit arithmetic in vector lanes, so the result is
// bit-for-bit that of the single-pixel form.
inline void blendRowNormal(const uint32_t* from, uint32_t* to, int64_t n, int32_t opacity) {
    using Lanes = uint32_t __attribute__((vector_size(16)));
    const uint32_t o = static_cast<uint32_t>(opacity) & 255u;
    const Lanes rb_mask = Lanes{} + 0x00ff00ffu;
    const Lanes g_mask = Lanes{} + 0x0000ff00u;
    const Lanes opaque = Lanes{} + 0xff000000u;
    int64_t i = 0;
    for (; i + 4 <= n; i += 4) {
        Lanes s, d;
        __builtin_memcpy(&s, from + i, sizeof s);
        __builtin_memcpy(&d, to + i, sizeof d);
        const Lanes a = s >> 24;
        const Lanes m = (a * o) >> 8;
        const Lanes d_rb = d & rb_mask;
        const Lanes d_g = d & g_mask;
        const Lanes rb = (d_rb + ((((s & rb_mask) - d_rb) * m) >> 8)) & rb_mask;
        const Lanes g = (d_g + ((((s & g_mask) - d_g) * m) >> 8)) & g_mask;
        Lanes result = rb | g | opaque;
        // Lanes of all ones where the source is copied whole or not at all.
        const Lanes whole = (a == 255u) & (o == 255u ? ~Lanes{} : Lanes{});
        const Lanes none = a == 0u;
        result = (whole & s) | (~whole & result);
        result = (none & d) | (~none & result);
        __builtin_memcpy(to + i, &result, sizeof result);
    }
    for (; i < n; ++i) to[i] = blendNormal(from[i], to[i], opacity);
}

// Adds the weighted source to the destination; each channel saturates at 255
// through the carry into the bits just above it. The result is opaque even
// for a transparent source.
inline uint32_t blendAdd(uint32_t source, uint32_t dest, int32_t opacity) {
    const uint64_t m = blendWeight(source, opacity);
    const uint64_t rb = (((source & 0x00ff00ffu) * m) >> 8 & 0x00ff00ffu) + (dest & 0x00ff00ffu);
    const uint64_t g = (((source & 0x0000ff00u) * m) >> 8 & 0x0000ff00u) + (dest & 0x0000ff00u);
    const uint32_t r = (rb & 0xff000000u) ? 0x00ff0000u : static_cast<uint32_t>(rb & 0x00ff0000u);
    const uint32_t b = (rb & 0x0000ff00u) ? 0x000000ffu : static_cast<uint32_t>(rb & 0x000000ffu);
    const uint32_t gg = (g & 0x00ff0000u) ? 0x0000ff00u : static_cast<uint32_t>(g & 0x0000ff00u);
    return r | gg | b | 0xff000000u;
}

// Takes the weighted source away from the destination; each channel stops at
// 0. The result is opaque even for a transparent source.
inline uint32_t blendSubtract(uint32_t source, uint32_t dest, int32_t opacity) {
    const int64_t m = blendWeight(source, opacity);
    const int64_t r =
        int64_t{dest & 0x00ff0000u} - (((source & 0x00ff0000u) * m) >> 8 & 0x00ff0000);
    const int64_t g =
        int64_t{dest & 0x0000ff00u} - (((source & 0x0000ff00u) * m) >> 8 & 0x0000ff00);
    const int64_t b =
        int64_t{dest & 0x000000ffu} - (((source & 0x000000ffu) * m) >> 8 & 0x000000ff);
    const auto keep = [](int64_t channel) {
        return channel < 0 ? 0u : static_cast<uint32_t>(channel);
    };
    return keep(r) | keep(g) | keep(b) | 0xff000000u;
}

} // namespace velmora
