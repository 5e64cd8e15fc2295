// Byte counting and searching with SSE2 where available, plain loops elsewhere
// and for the tail. Matches are summed per byte lane and the lanes added up
// before any could overflow.
#include "script/ByteScan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmora {

namespace {

#if defined(__SSE2__)
// Set bits of a 16-bit mask. Bit arithmetic rather than the builtin, which
// becomes a library call on processors without a population-count instruction.
int32_t countBits16(uint32_t bits) {
    bits -= (bits >> 1) & 0x5555u;
    bits = (bits & 0x3333u) + ((bits >> 2) & 0x3333u);
    bits = (bits + (bits >> 4)) & 0x0F0Fu;
    return static_cast<int32_t>((bits + (bits >> 8)) & 0x1Fu);
}

// Blocks a byte-lane counter can take before it could overflow.
constexpr int LANE_LIMIT = 255;
constexpr long BLOCK = 16;

__m128i loadBlock(const char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// The sum of the 16 byte lanes. Each half's sum is at most 8 * 255, so it
// fits the low 16 bits of its 64-bit field.
int64_t sumLanes(__m128i lanes) {
    const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    return _mm_extract_epi16(sums, 0) + _mm_extract_epi16(sums, 4);
}
#endif

} // namespace

// Line feeds are counted per byte lane (a comparison gives -1 for a match,
// which is subtracted) and summed when a '*' turns up or a lane could overflow.
const char* nextStar(const char* p, const char* end, int32_t& line) {
#if defined(__SSE2__)
    const __m128i stars = _mm_set1_epi8('*');
    const __m128i feeds = _mm_set1_epi8('\n');
    while (end - p >= BLOCK) {
        __m128i lanes = _mm_setzero_si128();
        for (int i = 0; i < LANE_LIMIT && end - p >= BLOCK; ++i, p += BLOCK) {
            const __m128i block = loadBlock(p);
            const auto star_bits =
                static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, stars)));
            if (star_bits) {
                const auto feed_bits =
                    static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, feeds)));
                const int at = __builtin_ctz(star_bits);
                line += static_cast<int32_t>(sumLanes(lanes)) +
                        countBits16(feed_bits & ((1u << at) - 1));
                return p + at;
            }
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(block, feeds));
        }
        line += static_cast<int32_t>(sumLanes(lanes));
    }
#endif
    for (; p < end && *p != '*'; ++p) line += *p == '\n';
    return p;
}

size_t countByte(const char* p, const char* end, char byte) {
    int64_t count = 0;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(byte);
    while (end - p >= BLOCK) {
        __m128i lanes = _mm_setzero_si128();
        for (int i = 0; i < LANE_LIMIT && end - p >= BLOCK; ++i, p += BLOCK)
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(loadBlock(p), wanted));
        count += sumLanes(lanes);
    }
#endif
    for (; p < end; ++p) count += *p == byte;
    return static_cast<size_t>(count);
}

} // namespace velmora
