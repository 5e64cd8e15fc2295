// Laying out and drawing characters and whole strings on a text layout, and
// the line-breaking rule that keeps closing marks off the start of a line and
// opening brackets off its end.
#pragma once

#include <SDL.h>

#include "common/Colour.h"
#include "graphics/AnimImage.h"
#include "text/FontState.h"
#include "text/GlyphRenderer.h"
#include "text/KinsokuLists.h"
#include "text/TextRenderContext.h"

namespace velmora {

// Draws one character (a double-byte character, or one or two single-byte
// characters; a second byte of 0 is none) at the pen, wrapping first when
// the line is full, and moves the pen on. `flush` shows it at once; `record`
// appends it (and the indent of a wrapped line) to the page buffer. Ends the
// process when the font cannot be opened.
void drawCharacter(const TextRenderContext& context, CharacterBytes character, FontState& font,
                   bool flush, bool record, SDL_Surface* target, AnimImage* cache,
                   const SDL_Rect* clip);

// Draws a whole string in `color` from the pen: line feeds (and backslashes
// when the layout asks) break lines, a backquote makes a following backslash
// or backquote literal. Stores the covered rectangle in script pixels into
// `out_rect` when given; `flush` shows it at once. `clip`, when given, cuts
// every glyph to that rectangle of the target and the cache.
void renderString(const TextRenderContext& context, const char* text, Rgb color, FontState& font,
                  bool flush, SDL_Surface* target, SDL_Rect* out_rect, AnimImage* cache,
                  const SDL_Rect* clip = nullptr);

// Whether the double-byte character at `text` must go to the next line so
// that no forbidden character begins or ends a line. Never reads past the
// text's terminating 0.
bool isKinsokuBreak(const uint8_t* text, const FontState& font, const KinsokuLists* lists);

} // namespace velmora
