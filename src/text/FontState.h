// The layout state of one text area: glyph size, cell grid, pen position,
// colours and drawing switches, with the arithmetic that turns the pen into
// pixels. Positions along a line are counted in half-cells: a full-width
// character takes two, a half-width one one.
#pragma once

#include <SDL_ttf.h>

#include <array>
#include <cstdint>
#include <type_traits>

#include "common/Colour.h"

namespace velmora {

struct Vec2 {
    int32_t x = 0;
    int32_t y = 0;

    // Component 0 is x, 1 is y: the writing direction picks one.
    int32_t& operator[](int32_t d) { return d ? y : x; }
    int32_t operator[](int32_t d) const { return d ? y : x; }
    bool operator==(const Vec2&) const = default;
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

    // Index of the writing direction: 0 horizontal, 1 vertical.
    int32_t direction() const { return vertical ? 1 : 0; }

    // Horizontal writing, pen at the start, switches back to their defaults.
    void resetLayout();
    // Pen to the start of the first line (the rightmost column in vertical writing).
    void clearPosition();
    // Pen to the start of the next line or column.
    void breakLine();
    // Moves the pen `n` half-cells along the line.
    void advance(int32_t n);
    // Pushes the rest of the current line `n` pixels along it (ruby overhang).
    void shiftLine(int32_t n);
    // Whether `n` more half-cells reach or pass the end of the line.
    bool reachesLineEnd(int32_t n) const;
    bool isLineStart() const { return pen[direction()] == 0; }
    // Pen to character cell (x, y); -1 leaves that coordinate.
    void setPosition(int32_t x, int32_t y);
    // One line of `n` characters.
    void setSingleLine(int32_t n);
    // The `tateyoko` command: 0 horizontal, 1 vertical writing; restarts the text.
    void setDirection(int32_t v);

    // The pen in script pixels; `use_ruby` adds the room kept for ruby.
    int32_t pixelX(bool use_ruby) const;
    int32_t pixelY(bool use_ruby) const;

    // Lines still free below (or, in vertical writing, left of) the pen.
    int32_t remainingLines() const {
        if (vertical) return pen.x / 2 - area_cells.x + area_cells.y + 1;
        return area_cells.y - pen.y / 2;
    }

    // The pixel rectangle of what was drawn since the pen stood at `start`.
    SDL_Rect updatedArea(Vec2 start) const;
    // Adds the four values to the rectangle's position and size.
    static void growRect(SDL_Rect& rect, int32_t dx, int32_t dy, int32_t dw, int32_t dh);

    // Called on the ruby layout: places it over `base_chars` full-width
    // characters of `base` that carry `ruby_chars` ruby characters, breaking
    // the base line first when the base does not fit, and pushes the base line
    // along by the ruby overhang. Returns that overhang in pixels.
    int32_t layoutRuby(FontState& base, int32_t base_chars, int32_t ruby_chars);
};

// The ruby layout is derived from the story layout by a byte copy.
static_assert(std::is_trivially_copyable_v<FontState>);

} // namespace velmora
