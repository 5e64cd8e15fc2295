// Whole-rectangle colour filters of the composed screen: negative, the
// tinted grey filter and the shaded text-window rectangle.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>

#include "common/Colour.h"

namespace velmora {

// Entry g is the colour of grey level g: each channel of the tint times g >> 8.
using MonochromeTable = std::array<Rgb, 256>;
MonochromeTable buildMonochromeTable(Rgb tint);

// Each filter works on the part of `rect` inside the 32-bit surface.
// Inverts red, green and blue; alpha is kept.
void invertRect(SDL_Surface* surface, const SDL_Rect& rect);
// Replaces every pixel by the table colour of its grey level; the alpha byte becomes 0.
void monochromeRect(SDL_Surface* surface, const SDL_Rect& rect, const MonochromeTable& table);
// Darkens by the shade colour: channel = channel * (shade + 1) >> 8.
void shadeRect(SDL_Surface* surface, const SDL_Rect& rect, Rgb shade);

} // namespace velmora
