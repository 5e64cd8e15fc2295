#include "graphics/RectClip.h"

#include <algorithm>
#include <limits>

namespace velmora {

int clipRect(SDL_Rect& rect, const SDL_Rect& clip, ClipOffsets* offsets) {
    if (offsets) *offsets = ClipOffsets{};
    const int32_t left = std::max<int32_t>(rect.x, clip.x);
    const int32_t top = std::max<int32_t>(rect.y, clip.y);
    const int32_t right = std::min<int32_t>(rect.x + rect.w, clip.x + clip.w);
    const int32_t bottom = std::min<int32_t>(rect.y + rect.h, clip.y + clip.h);
    if (right <= left || bottom <= top) return -1;
    // A clip reaching past the 16-bit range leaves nothing representable there.
    if (left > std::numeric_limits<int16_t>::max() || top > std::numeric_limits<int16_t>::max())
        return -1;
    const int32_t moved_x = left - rect.x;
    const int32_t moved_y = top - rect.y;
    rect.x = static_cast<int16_t>(left);
    rect.y = static_cast<int16_t>(top);
    rect.w = clampToUint16(right - left);
    rect.h = clampToUint16(bottom - top);
    if (offsets) {
        offsets->x = moved_x;
        offsets->y = moved_y;
        offsets->w = rect.w;
        offsets->h = rect.h;
    }
    return 0;
}

SDL_Rect rectUnion(const SDL_Rect& a, const SDL_Rect& b) {
    if (a.w == 0 || a.h == 0) return b;
    if (b.w == 0 || b.h == 0) return a;
    const int32_t left = std::min<int32_t>(a.x, b.x);
    const int32_t top = std::min<int32_t>(a.y, b.y);
    const int32_t right = std::max<int32_t>(a.x + a.w, b.x + b.w);
    const int32_t bottom = std::max<int32_t>(a.y + a.h, b.y + b.h);
    return SDL_Rect{clampToInt16(left), clampToInt16(top), clampToUint16(right - left),
                    clampToUint16(bottom - top)};
}

int16_t clampToInt16(int64_t value) {
    return static_cast<int16_t>(std::clamp<int64_t>(value, std::numeric_limits<int16_t>::min(),
                                                    std::numeric_limits<int16_t>::max()));
}

uint16_t clampToUint16(int64_t value) {
    return static_cast<uint16_t>(
        std::clamp<int64_t>(value, 0, std::numeric_limits<uint16_t>::max()));
}

int32_t clampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace velmora
