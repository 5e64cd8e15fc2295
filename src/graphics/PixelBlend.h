// The per-pixel arithmetic of picture drawing on packed 32-bit ARGB pixels.
// Red and blue travel together in one word (mask 0x00ff00ff) and green in
// another, so each channel pair costs one multiply.
#pragma once

#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// blendNormal over a row of n pixels. Four pixels at a time are widened to
// 16-bit channels and blended as (s x m + d x (256 - m)) >> 8, which is the
// same value as the single-pixel form's wrapped difference and never exceeds
// 16 bits; pixels copied whole or left alone are chosen by mask.
inline void blendRowNormal(const uint32_t* from, uint32_t* to, int64_t n, int32_t opacity) {
    int64_t i = 0;
#if defined(__SSE2__)
    const int32_t o = opacity & 255;
    const __m128i zero = _mm_setzero_si128();
    const __m128i opacity_lanes = _mm_set1_epi32(o);
    const __m128i full = _mm_set1_epi16(256);
    const __m128i opaque = _mm_set1_epi32(static_cast<int32_t>(0xff000000u));
    const __m128i alpha_255 = _mm_set1_epi32(255);
    const __m128i whole_allowed = o == 255 ? _mm_set1_epi32(-1) : zero;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to + i));
        const __m128i a = _mm_srli_epi32(s, 24);
        // m in both 16-bit halves of each pixel's 32-bit lane.
        __m128i m = _mm_srli_epi32(_mm_mullo_epi16(a, opacity_lanes), 8);
        m = _mm_or_si128(m, _mm_slli_epi32(m, 16));
        const __m128i m_lo = _mm_unpacklo_epi32(m, m);
        const __m128i m_hi = _mm_unpackhi_epi32(m, m);
        const __m128i lo = _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), m_lo),
                          _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), _mm_sub_epi16(full, m_lo))),
            8);
        const __m128i hi = _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), m_hi),
                          _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), _mm_sub_epi16(full, m_hi))),
            8);
        __m128i result = _mm_or_si128(_mm_packus_epi16(lo, hi), opaque);
        const __m128i whole = _mm_and_si128(_mm_cmpeq_epi32(a, alpha_255), whole_allowed);
        const __m128i none = _mm_cmpeq_epi32(a, zero);
        result = _mm_or_si128(_mm_and_si128(whole, s), _mm_andnot_si128(whole, result));
        result = _mm_or_si128(_mm_and_si128(none, d), _mm_andnot_si128(none, result));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), result);
    }
#endif
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
