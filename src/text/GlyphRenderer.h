// Drawing one character's glyph: the code point it stands for, its shadow or
// outline, the turn of vertical writing, and the blending into a picture and
// a plain surface.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>

#include "common/Colour.h"
#include "graphics/AnimImage.h"
#include "text/FontState.h"
#include "text/TextRenderContext.h"

namespace velmora {

// One character as two bytes: a lead byte and its trail byte, or a
// single-byte character (the second byte is then ignored).
using CharacterBytes = std::array<uint8_t, 2>;

// Draws `character` with its top-left cell corner at (x, y) in screen pixels
// into `cache` and `target` (either may be null), each cut by `clip` when
// given: first its shadow (or outline) in black when `with_shadow`, then the
// glyph in `color`. Records the glyph's bearings in `font`, whose face must
// be open. Returns the glyph's rectangle in screen pixels; a character the
// font cannot show draws nothing and gives an empty rectangle at (x, y).
SDL_Rect renderGlyph(const TextRenderContext& context, SDL_Surface* target, FontState& font,
                     Rgb color, CharacterBytes character, int32_t x, int32_t y, bool with_shadow,
                     AnimImage* cache, const SDL_Rect* clip);

} // namespace velmora
