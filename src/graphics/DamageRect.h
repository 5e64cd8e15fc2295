// The part of the screen changed since it was last shown: one bounding box,
// so that a refresh recomposes and sends a single rectangle.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace velmora {

class DamageRect {
  public:
    // The screen size that every added rectangle is cut to.
    void setBounds(int32_t width, int32_t height);
    void damageAll(int32_t width, int32_t height);
    void clear() { area.w = area.h = 0; }
    // Grows the area to cover `rect` cut to the screen; empty rectangles and
    // rectangles entirely off the screen are ignored.
    void add(const SDL_Rect& rect);
    bool empty() const { return area.w == 0 || area.h == 0; }

    int32_t bounds_width = 0;
    int32_t bounds_height = 0;
    SDL_Rect area{};
};

} // namespace velmora
