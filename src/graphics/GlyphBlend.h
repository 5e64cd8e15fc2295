// Compositing 8-bit glyph coverage maps in a text colour, into a picture's
// current cell or straight onto a plain 32-bit surface.
#pragma once

#include "graphics/AnimImage.h"

#include <SDL.h>

namespace velmora {

// Draws the glyph at (x, y) of `target` with opaque results: each colour
// channel moves from the destination towards `colour` by the coverage. With
// `rotated` the glyph is turned 90 degrees clockwise, for vertical text.
void blendCoverage(SDL_Surface* target, int x, int y, SDL_Surface* coverage, RgbColour colour,
                   bool rotated, const SDL_Rect* clip);

} // namespace velmora
