// The layout state of one text area: glyph size, cell grid, pen position,
// colours and drawing switches.
#pragma once

#include <SDL_ttf.h>

#include <array>
#include <cstdint>

#include "common/Colour.h"

namespace velmora {

struct Vec2 {
    int32_t x = 0;
    int32_t y = 0;
};

struct FontState {
    TTF_Font* face = nullptr;         // null until opened at the current size
    TTF_Font* outline_face = nullptr; // the same size with an outline of 1
    Rgb text_color{255, 255, 255};
    Rgb hover_color{255, 255, 255}; // a selectable line under the mouse
    Rgb idle_color{170, 170, 170};  // a selectable line not under the mouse
    Rgb absent_color{85, 85, 153};  // a menu line for an empty save slot
    Vec2 glyph_size;
    Vec2 area_origin;
    Vec2 area_cells; // characters per line and lines
    Vec2 pen;        // in half-cells
    Vec2 last_glyph_origin;
    int32_t last_bearing_left = 0;
    int32_t last_bearing_right = 0;
    int32_t line_lead_bearing = 1; // 1: none
    int32_t face_height = 0;
    Vec2 cell_pitch;
    int32_t char_wait = -1; // -1: the default speed of the text speed index
    bool bold = true;
    bool shadow = true;
    bool shaded_window = true;
    bool backslash_newline = false;
    Rgb window_shade_color{0, 0, 0};
    Vec2 ruby_offset;
    bool ruby_space = false; // lines keep room for ruby
    int32_t vertical = 0;

    // Lines still free below (or, in vertical writing, left of) the pen.
    int32_t remainingLines() const {
        if (vertical) return pen.x / 2 - area_cells.x + area_cells.y + 1;
        return area_cells.y - pen.y / 2;
    }
};

} // namespace velmora
