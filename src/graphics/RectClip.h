// Rectangle clipping shared by picture drawing and screen composition, and
// the clamping of wide positions into the 16-bit rectangle fields.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace velmora {

// How far clipping moved a rectangle's left and top edges, and the size left.
// Kept in 32 bits: a shift can exceed the 16-bit range of a rectangle field.
struct ClipOffsets {
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
};

// Cuts `rect` to `clip` in place. Returns -1 when they do not overlap (rect
// is then left in an arbitrary state), else 0; `offsets`, when given, is
// filled on success.
int clipRect(SDL_Rect& rect, const SDL_Rect& clip, ClipOffsets* offsets = nullptr);

// The smallest rectangle holding both; an empty one (no width or height)
// adds nothing.
SDL_Rect rectUnion(const SDL_Rect& a, const SDL_Rect& b);

// Values beyond the field's range stick to its nearest end instead of wrapping.
int16_t clampToInt16(int64_t value);
uint16_t clampToUint16(int64_t value);
int32_t clampToInt32(int64_t value);

} // namespace velmora
