// Pen arithmetic of a text layout. Products are formed in 64 bits before any
// halving so that the exact truncating results survive large script values;
// pixel results are then held to the 32-bit (or rectangle field) range.
#include "text/FontState.h"

#include "graphics/RectClip.h"

namespace velmora {

namespace {

int32_t halfOf(int64_t value) {
    return clampToInt32(value / 2);
}

SDL_Rect makeRect(int64_t x, int64_t y, int64_t w, int64_t h) {
    return SDL_Rect{clampToInt16(x), clampToInt16(y), clampToUint16(w), clampToUint16(h)};
}

} // namespace

void FontState::resetLayout() {
    vertical = 0;
    pen = Vec2{};
    ruby_offset = Vec2{};
    bold = shadow = shaded_window = true;
    backslash_newline = false;
}

void FontState::clearPosition() {
    if (!vertical)
        pen.x = 0;
    else if (area_cells.x != 0)
        pen.x = clampToInt32(int64_t{area_cells.x} * 2 - 2);
    pen.y = 0;
    ruby_offset = Vec2{};
}

void FontState::breakLine() {
    ruby_offset = Vec2{};
    if (!vertical) {
        pen.x = 0;
        pen.y = clampToInt32(int64_t{pen.y} + 2);
    } else {
        pen.x = clampToInt32(int64_t{pen.x} - 2);
        pen.y = 0;
    }
}

void FontState::advance(int32_t n) {
    int32_t& along = pen[direction()];
    along = clampToInt32(int64_t{along} + n);
}

void FontState::shiftLine(int32_t n) {
    int32_t& along = ruby_offset[direction()];
    along = clampToInt32(int64_t{along} + n);
}

bool FontState::reachesLineEnd(int32_t n) const {
    const int32_t d = direction();
    return int64_t{pen[d]} + n >= int64_t{area_cells[d]} * 2;
}

void FontState::setPosition(int32_t x, int32_t y) {
    if (x != -1) pen.x = clampToInt32(int64_t{x} * 2);
    if (y != -1) pen.y = clampToInt32(int64_t{y} * 2);
}

void FontState::setSingleLine(int32_t n) {
    const int32_t d = direction();
    area_cells[d] = n;
    area_cells[1 - d] = 1;
}

void FontState::setDirection(int32_t v) {
    vertical = v;
    clearPosition();
}

int32_t FontState::pixelX(bool use_ruby) const {
    int64_t x = int64_t{area_origin.x} + halfOf(int64_t{pen.x} * cell_pitch.x) + ruby_offset.x;
    if (use_ruby && ruby_space && vertical) x += int64_t{glyph_size.x} - cell_pitch.x;
    return clampToInt32(x);
}

int32_t FontState::pixelY(bool use_ruby) const {
    int64_t y = int64_t{area_origin.y} + halfOf(int64_t{pen.y} * cell_pitch.y) + ruby_offset.y;
    if (use_ruby && ruby_space && !vertical) y += int64_t{cell_pitch.y} - glyph_size.y;
    return clampToInt32(y);
}

SDL_Rect FontState::updatedArea(Vec2 start) const {
    int64_t x, y, w, h;
    if (!vertical) {
        if (start.y == pen.y) {
            x = int64_t{area_origin.x} + halfOf(int64_t{start.x} * cell_pitch.x);
            w = halfOf((int64_t{pen.x} - start.x) * cell_pitch.x) + int64_t{1};
        } else {
            x = area_origin.x;
            w = int64_t{cell_pitch.x} * area_cells.x;
        }
        y = int64_t{area_origin.y} + halfOf(int64_t{start.y} * cell_pitch.y);
        h = halfOf((int64_t{pen.y} - start.y) * cell_pitch.y) + int64_t{glyph_size.y};
        if (ruby_space) h += int64_t{cell_pitch.y} - glyph_size.y;
    } else {
        x = int64_t{area_origin.x} + halfOf(int64_t{pen.x} * cell_pitch.x);
        w = halfOf((int64_t{start.x} - pen.x) * cell_pitch.x) + int64_t{glyph_size.x};
        if (ruby_space) w += int64_t{glyph_size.x} - cell_pitch.x;
        if (start.x == pen.x) {
            y = int64_t{area_origin.y} + halfOf(int64_t{start.y} * cell_pitch.y);
            h = halfOf((int64_t{pen.y} - start.y) * cell_pitch.y) + int64_t{1};
        } else {
            y = area_origin.y;
            h = int64_t{cell_pitch.y} * area_cells.y;
        }
    }
    return makeRect(x, y, w, h);
}

void FontState::growRect(SDL_Rect& rect, int32_t dx, int32_t dy, int32_t dw, int32_t dh) {
    rect = makeRect(int64_t{rect.x} + dx, int64_t{rect.y} + dy, int64_t{rect.w} + dw,
                    int64_t{rect.h} + dh);
}

int32_t FontState::layoutRuby(FontState& base, int32_t base_chars, int32_t ruby_chars) {
    const bool base_overflows =
        base.vertical ? base.area_cells.y < int64_t{base_chars} + base.pen.y / 2
                      : int64_t{base_chars} + base.pen.x / 2 >= int64_t{base.area_cells.x} - 1;
    if (base_overflows) base.breakLine();

    area_origin = Vec2{base.pixelX(true), base.pixelY(true)};
    cell_pitch = glyph_size;
    if (vertical) {
        area_origin.x = clampToInt32(int64_t{area_origin.x} + base.glyph_size.x);
        area_cells = Vec2{1, ruby_chars};
    } else {
        area_origin.y = clampToInt32(int64_t{area_origin.y} - glyph_size.y);
        area_cells = Vec2{ruby_chars, 1};
    }

    const int32_t d = direction();
    const int64_t base_length = int64_t{base_chars} * base.cell_pitch[d];
    const int64_t ruby_pitch = glyph_size[d];
    int32_t overhang = 0;
    if (int64_t{ruby_chars} * ruby_pitch < base_length) {
        // Spread the ruby over the base: half the spare room before the first
        // character, the whole of it between neighbours.
        const int64_t spread = ruby_chars <= 0 ? 0
                                               : (base_length + (1 - ruby_pitch) * ruby_chars) /
                                                     (int64_t{2} * ruby_chars);
        area_origin[d] = clampToInt32(area_origin[d] + spread);
        cell_pitch[d] = clampToInt32(cell_pitch[d] + 2 * spread);
    } else {
        overhang = halfOf(int64_t{ruby_chars} * ruby_pitch - base_length + 1);
    }
    base.ruby_offset[d] = clampToInt32(int64_t{base.ruby_offset[d]} + overhang);
    clearPosition();
    return overhang;
}

} // namespace velmora
