#include "text/TextRenderer.h"

#include <cstdio>

#include "common/Exit.h"
#include "common/ShiftJis.h"
#include "graphics/RectClip.h"
#include "text/FontCache.h"

namespace velmora {

namespace {

constexpr const char* FULL_WIDTH_SPACE = "\x81\x40";

// The shadow or outline reaches past the glyph: to the right and down by
// the shadow offset, or one pixel all round.
void growForShadow(const TextRenderContext& context, SDL_Rect& rect) {
    if (context.render_outline)
        FontState::growRect(rect, -1, -1, 2, 2);
    else
        FontState::growRect(rect, 0, 0, context.shade_distance.x, context.shade_distance.y);
}

bool overlaps(SDL_Rect rect, const SDL_Rect& clip) {
    return clipRect(rect, clip) == 0;
}

void openFaceOrExit(const TextRenderContext& context, FontState& font) {
    if (font.face || openFace(font, context.font_path, context.scale_num, context.scale_den))
        return;
    std::fprintf(stderr, "can't open font file: %s\n", context.font_path.c_str());
    if (context.fatal_cleanup) context.fatal_cleanup();
    exitProcess(-1);
}

void drawAtPen(const TextRenderContext& context, CharacterBytes character, FontState& font,
               bool flush, SDL_Surface* target, AnimImage* cache, const SDL_Rect* clip) {
    const int32_t x = context.toScreen(font.pixelX(true));
    const int32_t y = context.toScreen(font.pixelY(true));
    SDL_Rect rect = renderGlyph(context, target, font, font.text_color, character, x, y,
                                font.shadow, cache, clip);
    if (flush) {
        if (font.shadow) growForShadow(context, rect);
        if (context.show_now) context.show_now(rect);
    } else if (target && target == context.compose_surface) {
        if ((!clip || overlaps(rect, *clip)) && context.damage) context.damage(rect);
    }
}

SDL_Rect toScreen(const TextRenderContext& context, const SDL_Rect& rect) {
    return SDL_Rect{clampToInt16(context.toScreen(rect.x)), clampToInt16(context.toScreen(rect.y)),
                    clampToUint16(context.toScreen(rect.w)),
                    clampToUint16(context.toScreen(rect.h))};
}

// The rectangle updatedArea gives covers whole cells; glyphs of a
// proportional font can reach past them on the left, on the right of a
// wide half-width last character, and below when the face is taller than
// the glyph size.
void widenForGlyphExtents(const FontState& font, Vec2 start, bool last_single, SDL_Rect& rect) {
    if (font.vertical) return;
    int64_t extra_w = 0;
    int64_t extra_h = 0;
    if (font.line_lead_bearing < 0) extra_w -= font.line_lead_bearing;
    const int64_t half_cell = (int64_t{font.cell_pitch.x} + 1) / 2;
    const int64_t extent = int64_t{font.last_bearing_right} - font.last_bearing_left;
    if (last_single && extent >= half_cell) extra_w += extent - half_cell + 1;
    if (font.face_height > font.glyph_size.y) {
        const int64_t taller = int64_t{font.face_height} - font.glyph_size.y;
        extra_h += taller + taller * (int64_t{font.pen.y} - start.y) / 2;
    }
    FontState::growRect(rect, 0, 0, clampToInt32(extra_w), clampToInt32(extra_h));
}

} // namespace

void drawCharacter(const TextRenderContext& context, CharacterBytes character, FontState& font,
                   bool flush, bool record, SDL_Surface* target, AnimImage* cache,
                   const SDL_Rect* clip) {
    openFaceOrExit(context, font);
    const bool recording = record && context.record;
    if (font.reachesLineEnd(0)) {
        font.breakLine();
        for (int32_t i = 0; i < context.indent_count; ++i) {
            if (recording) context.record(FULL_WIDTH_SPACE);
            font.advance(2);
        }
    }
    font.last_glyph_origin = Vec2{font.pixelX(true), font.pixelY(true)};

    if (isLeadByte(character[0])) {
        drawAtPen(context, character, font, flush, target, cache, clip);
        font.advance(2);
    } else {
        for (const uint8_t byte : character) {
            if (byte == 0) break;
            drawAtPen(context, CharacterBytes{byte, 0}, font, flush, target, cache, clip);
            font.advance(1);
        }
    }

    if (recording) {
        const auto* bytes = reinterpret_cast<const char*>(character.data());
        context.record(std::string_view(bytes, character[1] ? 2 : 1));
    }
}

void renderString(const TextRenderContext& context, const char* text, Rgb color, FontState& font,
                  bool flush, SDL_Surface* target, SDL_Rect* out_rect, AnimImage* cache,
                  const SDL_Rect* clip) {
    const Rgb saved_color = font.text_color;
    const Vec2 saved_pen = font.pen;
    font.text_color = color;
    bool last_single = false;
    const auto* p = reinterpret_cast<const uint8_t*>(text ? text : "");
    while (*p) {
        bool literal = false;
        if (*p == '`') {
            ++p;
            if (*p != '\\' && *p != '`') continue;
            literal = true;
        }
        const uint8_t c = *p;
        const bool breaks_line = c == '\n' || (c == '\\' && font.backslash_newline && !literal);
        if (breaks_line) {
            font.breakLine();
            ++p;
            continue;
        }
        if (isLeadByte(c)) {
            if (p[1] == 0) break; // a lead byte without its trail byte ends the text
            if (isKinsokuBreak(p, font, context.kinsoku)) {
                font.breakLine();
                for (int32_t i = 0; i < context.indent_count; ++i) font.advance(2);
            }
            drawCharacter(context, CharacterBytes{c, p[1]}, font, false, false, target, cache,
                          clip);
            last_single = false;
            p += 2;
            continue;
        }
        const uint8_t next = p[1];
        const bool pairs = next != 0 && next != '\n' && !isLeadByte(next) &&
                           !(next == '\\' && font.backslash_newline);
        const uint8_t second = next == '\r' ? 0 : next;
        drawCharacter(context, CharacterBytes{c, pairs ? second : uint8_t{0}}, font, false, false,
                      target, cache, clip);
        last_single = true;
        p += pairs ? 2 : 1;
    }
    font.text_color = saved_color;

    SDL_Rect covered = font.updatedArea(saved_pen);
    widenForGlyphExtents(font, saved_pen, last_single, covered);
    SDL_Rect shown = toScreen(context, covered);
    if (font.shadow) {
        growForShadow(context, covered);
        growForShadow(context, shown);
    }
    if (flush && context.show_now) context.show_now(shown);
    if (out_rect) *out_rect = covered;
}

} // namespace velmora
