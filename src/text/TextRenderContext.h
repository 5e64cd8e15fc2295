// What drawing text needs from the rest of the engine: the settings it reads
// and the actions it triggers (damage, showing at once, recording into the
// page buffer, the fatal font error). The engine fills one of these before
// drawing; tests drive the text code through it directly.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "graphics/RectClip.h"
#include "text/FontState.h"
#include "text/KinsokuLists.h"

namespace velmora {

struct TextRenderContext {
    std::string font_path;       // one font file serves every glyph size
    bool render_outline = false; // outline each glyph instead of casting a shadow
    Vec2 shade_distance{1, 1};   // shadow offset in screen pixels
    int32_t scale_num = 1;       // screen pixels per script pixel, as a ratio
    int32_t scale_den = 1;
    int32_t indent_count = 0;               // full-width spaces that start a wrapped line
    const KinsokuLists* kinsoku = nullptr;  // null: no line-breaking rule
    SDL_Surface* compose_surface = nullptr; // drawing there without flush adds damage

    // Adds a screen rectangle to the damage.
    std::function<void(const SDL_Rect&)> damage;
    // Composes and shows a screen rectangle at once.
    std::function<void(const SDL_Rect&)> show_now;
    // Appends drawn bytes to the page buffer.
    std::function<void(std::string_view)> record;
    // The quit sequence's clean-up before the process ends because the font
    // cannot be opened (side files saved, audio stopped); must return.
    std::function<void()> fatal_cleanup;

    // Script pixels to screen pixels (a ratio that is not positive leaves them).
    int32_t toScreen(int32_t value) const {
        if (scale_den <= 0) return value;
        return clampToInt32(int64_t{value} * scale_num / scale_den);
    }
};

} // namespace velmora
