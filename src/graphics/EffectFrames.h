// One frame of a transition, drawn from the before and after pictures into
// the composition surface. Progress is the integer ratio elapsed / length,
// so a frame depends only on the pictures and the time, never on the
// frames before it.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace velmora {

// The pictures, place and time one frame is drawn from.
struct FrameInput {
    SDL_Surface* before = nullptr; // the screen before the change
    SDL_Surface* after = nullptr;  // the screen after the change
    SDL_Surface* target = nullptr; // receives the frame; its size is the screen size
    SDL_Rect area{0, 0, 0, 0};     // the effect area: nothing outside it is written
    int32_t elapsed = 0;           // ms since the effect started
    int32_t length = 1;            // ms the effect lasts; 0 or less draws the after picture
    int32_t scale_num = 1;         // screen pixels per script pixel, as a ratio
    int32_t scale_den = 1;
};

// Copies the rectangle (x, y, w, h) of the after picture to the same place
// of the target, cut to the effect area and both surfaces.
void copyAfterRect(const FrameInput& in, int64_t x, int64_t y, int64_t w, int64_t h);

// Copies `from`'s rectangle (sx, sy, w, h) to (dx, dy) of the target. The
// source rectangle is first cut to `from` (moving the destination with it),
// then the destination is cut to the effect area and the target.
void copyShifted(const FrameInput& in, SDL_Surface* from, int64_t sx, int64_t sy, int64_t w,
                 int64_t h, int64_t dx, int64_t dy);

// Types 2-9: stripes of 16 script pixels (2-5) and curtains of 24 (6-9).
void drawWipe(const FrameInput& in, int32_t type);
// Type 10 and every substitute: the after picture faded over the before one.
void drawCrossfade(const FrameInput& in);
// Types 11-14: the after picture scrolls in and pushes the before one out.
void drawScroll(const FrameInput& in, int32_t type);
// Types 15 (hard edge) and 18 (soft edge): each pixel switches when the
// running value passes the grey level of the tiled mask (its low byte).
void drawMaskBlend(const FrameInput& in, SDL_Surface* mask, bool soft);
// Types 16 (the before picture in growing blocks) and 17 (the after
// picture in shrinking blocks).
void drawMosaic(const FrameInput& in, int32_t type);
// Fills the effect area with blocks of `block` pixels laid from the
// bottom-left corner, each the colour of `from` at its bottom-left pixel.
void fillMosaic(const FrameInput& in, SDL_Surface* from, int32_t block);

// The longest step of a vertical or horizontal shake: at least 1 ms.
int32_t shakeStepLimit(int32_t length, int32_t amplitude);
// The offset of a vertical or horizontal shake at the frame's time; 0 for
// an amplitude below 1, never beyond `extent` either way.
int32_t shakeOffset(const FrameInput& in, int32_t amplitude, int32_t extent);
// Types 256 (vertical) and 257 (horizontal): the after picture moved by
// the shake's offset, the uncovered band opaque black.
void drawShake(const FrameInput& in, int32_t type, int32_t amplitude);
// The offset of a random shake from one random value 0 ... 32767: -2A, 0 or 2A.
int32_t randomShakeOffset(int32_t random, int32_t amplitude);
// Type 258: the effect area black and the after picture at (dx, dy).
void drawRandomShake(const FrameInput& in, int32_t dx, int32_t dy);

} // namespace velmora
