#include "graphics/DamageRect.h"

#include <algorithm>

#include "graphics/RectClip.h"

namespace velmora {

void DamageRect::setBounds(int32_t width, int32_t height) {
    bounds_width = width;
    bounds_height = height;
}

void DamageRect::damageAll(int32_t width, int32_t height) {
    area = SDL_Rect{0, 0, clampToUint16(width), clampToUint16(height)};
}

namespace {

// Cuts one axis of a rectangle to 0 .. bound; false when nothing is left.
bool cutAxis(int32_t& start, int32_t& length, int32_t bound) {
    if (start < 0) {
        if (length < -start) return false;
        length += start;
        start = 0;
    }
    if (start >= bound) return false;
    if (start + length >= bound) length = bound - start;
    return length > 0;
}

} // namespace

void DamageRect::add(const SDL_Rect& rect) {
    if (rect.w == 0 || rect.h == 0) return;
    int32_t x = rect.x, y = rect.y, w = rect.w, h = rect.h;
    if (!cutAxis(x, w, bounds_width) || !cutAxis(y, h, bounds_height)) return;
    if (empty()) {
        area = SDL_Rect{clampToInt16(x), clampToInt16(y), clampToUint16(w), clampToUint16(h)};
        return;
    }
    const int32_t left = std::min<int32_t>(area.x, x);
    const int32_t top = std::min<int32_t>(area.y, y);
    const int32_t right = std::max<int32_t>(area.x + area.w, x + w);
    const int32_t bottom = std::max<int32_t>(area.y + area.h, y + h);
    area = SDL_Rect{clampToInt16(left), clampToInt16(top), clampToUint16(right - left),
                    clampToUint16(bottom - top)};
}

} // namespace velmora
