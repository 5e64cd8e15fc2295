#include "text/GlyphRenderer.h"

#include <memory>

#include "common/ShiftJis.h"
#include "graphics/GlyphBlend.h"
#include "graphics/PictureSurface.h"
#include "graphics/RectClip.h"
#include "text/ShiftJis.h"

namespace velmora {

namespace {

struct MaskFree {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using Mask = std::unique_ptr<SDL_Surface, MaskFree>;

// Half-width katakana bytes 0xA0-0xDF sit at U+FF60-U+FF9F.
constexpr uint32_t HALF_WIDTH_OFFSET = 0xFEC0;

uint16_t codePointOf(CharacterBytes character) {
    const uint8_t first = character[0];
    if (isLeadByte(first)) return sjisToUcs2(static_cast<uint16_t>(first << 8 | character[1]));
    if (first < 0x80) return first;
    return static_cast<uint16_t>(HALF_WIDTH_OFFSET + first);
}

// Vertical writing stands half-width characters and the long and line-like
// marks (long vowel, dashes, wave dash, bars, ellipses, brackets) on end.
bool turnsInVertical(CharacterBytes character) {
    if (!isLeadByte(character[0])) return true;
    if (character[0] != 0x81) return false;
    const uint8_t trail = character[1];
    return trail == 0x50 || trail == 0x51 || (trail >= 0x5B && trail <= 0x5D) ||
           (trail >= 0x60 && trail <= 0x64) || (trail >= 0x69 && trail <= 0x7A) || trail == 0x80;
}

// The ideographic comma and full stop and their Western forms.
bool isCommaOrStop(CharacterBytes character) {
    return character[0] == 0x81 && character[1] >= 0x41 && character[1] <= 0x44;
}

// An 8-bit coverage map of the glyph: the index of each pixel is its coverage.
Mask renderCoverage(TTF_Font* face, uint16_t code) {
    const SDL_Color white{255, 255, 255, 0};
    const SDL_Color black{0, 0, 0, 0};
    SDL_Surface* mask = TTF_RenderGlyph_Shaded(face, code, white, black);
    if (mask &&
        (!mask->format || mask->format->BytesPerPixel != 1 || mask->w <= 0 || mask->h <= 0)) {
        SDL_FreeSurface(mask);
        mask = nullptr;
    }
    return Mask(mask);
}

// Moves the coverage half a pixel left (or up): each pixel averages with its
// neighbour to the right (or below), and the last one fades to half, so an
// outline one pixel wider or taller than centred still sits centred.
void shiftHalfPixel(SDL_Surface* mask, bool along_rows) {
    SurfaceLock lock(mask);
    if (!lock.locked()) return;
    auto* bytes = static_cast<uint8_t*>(mask->pixels);
    auto at = [&](int x, int y) -> uint8_t& {
        return bytes[static_cast<size_t>(y) * mask->pitch + x];
    };
    for (int y = 0; y < mask->h; ++y)
        for (int x = 0; x < mask->w; ++x) {
            const bool last = along_rows ? x == mask->w - 1 : y == mask->h - 1;
            const int next = last ? 0 : (along_rows ? at(x + 1, y) : at(x, y + 1));
            at(x, y) = static_cast<uint8_t>((at(x, y) + next) >> 1);
        }
}

struct Placement {
    int64_t x = 0;
    int64_t y = 0;
};

void blendMask(SDL_Surface* mask, Placement at, RgbColour colour, bool rotated, SDL_Surface* target,
               AnimImage* cache, const SDL_Rect* clip) {
    const int x = clampToInt32(at.x);
    const int y = clampToInt32(at.y);
    if (cache) cache->blendGlyph(mask, x, y, colour, clip, rotated);
    if (target) blendCoverage(target, x, y, mask, colour, rotated, clip);
}

// Width and height of a mask as drawn: exchanged when it is turned.
int64_t drawnWidth(const SDL_Surface* mask, bool rotated) {
    return mask ? (rotated ? mask->h : mask->w) : 0;
}
int64_t drawnHeight(const SDL_Surface* mask, bool rotated) {
    return mask ? (rotated ? mask->w : mask->h) : 0;
}

} // namespace

SDL_Rect renderGlyph(const TextRenderContext& context, SDL_Surface* target, FontState& font,
                     Rgb color, CharacterBytes character, int32_t x, int32_t y, bool with_shadow,
                     AnimImage* cache, const SDL_Rect* clip) {
    const SDL_Rect nothing{clampToInt16(x), clampToInt16(y), 0, 0};
    const uint16_t code = codePointOf(character);
    if (!font.face || code == 0 || code == UCS2_NO_CHARACTER) return nothing;
    int min_x = 0, max_x = 0, min_y = 0, max_y = 0, advance = 0;
    if (TTF_GlyphMetrics(font.face, code, &min_x, &max_x, &min_y, &max_y, &advance) != 0)
        return nothing;

    Mask glyph = renderCoverage(font.face, code);
    Mask outline;
    SDL_Surface* shadow = nullptr;
    if (with_shadow && context.render_outline) {
        if (font.outline_face) outline = renderCoverage(font.outline_face, code);
        if (glyph && outline) {
            if ((outline->w - glyph->w) % 2 != 0) shiftHalfPixel(outline.get(), true);
            if ((outline->h - glyph->h) % 2 != 0) shiftHalfPixel(outline.get(), false);
        }
        shadow = outline.get();
    } else if (with_shadow) {
        shadow = glyph.get();
    }

    const bool vertical = font.vertical != 0;
    const bool rotated = vertical && turnsInVertical(character);
    // The glyph box is centred on the cell height, measured from the baseline.
    Placement at{int64_t{x} + min_x,
                 int64_t{y} + TTF_FontAscent(font.face) - max_y -
                     (int64_t{TTF_FontHeight(font.face)} - context.toScreen(font.glyph_size.y)) /
                         2};
    if (font.pen.x == 0 && min_x < 1) font.line_lead_bearing = min_x;
    font.last_bearing_left = min_x;
    font.last_bearing_right = max_x;
    if (rotated) at.x += min_y - min_x;
    if (vertical && isCommaOrStop(character)) {
        // Vertical commas and stops sit in the upper right of their cell.
        at.x += font.glyph_size.x / 2;
        at.y -= font.glyph_size.x / 2;
    }

    if (shadow) {
        Placement shadow_at = at;
        if (context.render_outline) {
            shadow_at.x -= (int64_t{shadow->w} - (glyph ? glyph->w : 0)) / 2;
            shadow_at.y -= (int64_t{shadow->h} - (glyph ? glyph->h : 0)) / 2;
            // An outline that would stick out left of the line start moves in.
            if (font.line_lead_bearing < 1) {
                ++at.x;
                ++shadow_at.x;
            }
        } else {
            shadow_at.x += context.shade_distance.x;
            shadow_at.y += context.shade_distance.y;
        }
        blendMask(shadow, shadow_at, RgbColour{0, 0, 0}, rotated, target, cache, clip);
    }
    if (glyph)
        blendMask(glyph.get(), at, RgbColour{color[0], color[1], color[2]}, rotated, target, cache,
                  clip);
    return SDL_Rect{clampToInt16(at.x), clampToInt16(at.y),
                    clampToUint16(drawnWidth(glyph.get(), rotated)),
                    clampToUint16(drawnHeight(glyph.get(), rotated))};
}

} // namespace velmora
