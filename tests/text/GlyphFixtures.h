// Shared by the text drawing tests: the real test font, glyph coverage
// rendered straight from the font library, and a plain per-channel model of
// compositing coverage onto an opaque surface to build expected pictures.
#pragma once

#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "TestSupport.h"
#include "graphics/PictureFixtures.h"
#include "text/FontCache.h"
#include "text/FontState.h"

namespace velmora::test {

// A glyph as the font library gives it, independently of the code under test.
struct DirectGlyph {
    SurfacePtr mask;
    int min_x = 0, max_x = 0, min_y = 0, max_y = 0;
    int w() const { return mask ? mask->w : 0; }
    int h() const { return mask ? mask->h : 0; }
    uint8_t at(int x, int y) const {
        return static_cast<const uint8_t*>(mask->pixels)[y * mask->pitch + x];
    }
};

inline DirectGlyph directGlyph(TTF_Font* face, uint16_t code) {
    DirectGlyph glyph;
    int advance = 0;
    TTF_GlyphMetrics(face, code, &glyph.min_x, &glyph.max_x, &glyph.min_y, &glyph.max_y, &advance);
    glyph.mask.reset(
        TTF_RenderGlyph_Shaded(face, code, SDL_Color{255, 255, 255, 0}, SDL_Color{0, 0, 0, 0}));
    return glyph;
}

// Top edge of a glyph drawn with its cell corner at y: baseline minus the
// glyph's top, with the face centred on the glyph height.
inline int glyphTop(TTF_Font* face, const DirectGlyph& glyph, int y, int glyph_height) {
    return y + TTF_FontAscent(face) - glyph.max_y - (TTF_FontHeight(face) - glyph_height) / 2;
}

// Paints `glyph` into `picture` the way an opaque target takes coverage:
// each channel becomes (D * (255 - a) + C * a) / 256, full coverage gives C.
// Turned clockwise, glyph pixel (gx, gy) lands at (h - 1 - gy, gx).
inline void paintCoverage(SDL_Surface* picture, const DirectGlyph& glyph, int x, int y, uint32_t r,
                          uint32_t g, uint32_t b, bool turned) {
    for (int gy = 0; gy < glyph.h(); ++gy)
        for (int gx = 0; gx < glyph.w(); ++gx) {
            const int px = turned ? x + glyph.h() - 1 - gy : x + gx;
            const int py = turned ? y + gx : y + gy;
            if (px < 0 || py < 0 || px >= picture->w || py >= picture->h) continue;
            const uint32_t a = glyph.at(gx, gy);
            if (a == 0) continue;
            uint32_t& d = pixelRow(picture, py)[px];
            if (a == 255) {
                d = argb(255, r, g, b);
                continue;
            }
            auto mix = [a](uint32_t dest, uint32_t src) {
                return (dest * (255 - a) + src * a) >> 8;
            };
            d = argb(255, mix(d >> 16 & 255, r), mix(d >> 8 & 255, g), mix(d & 255, b));
        }
}

inline SurfacePtr filledPicture(int w, int h, uint32_t pixel) {
    return SurfacePtr(makePicture(w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, pixel)));
}

// Where the pictures first differ and the two values there; empty when equal.
inline std::string firstDifference(SDL_Surface* actual, SDL_Surface* expected) {
    for (int y = 0; y < expected->h; ++y)
        for (int x = 0; x < expected->w; ++x)
            if (pixelAt(actual, x, y) != pixelAt(expected, x, y)) {
                char text[80];
                std::snprintf(text, sizeof text, "(%d,%d) is %08x, expected %08x", x, y,
                              pixelAt(actual, x, y), pixelAt(expected, x, y));
                return text;
            }
    return "";
}

// A layout of the given glyph size with its face opened from the test font.
inline FontState openedFont(int32_t size_x, int32_t size_y, int32_t scale_num = 1) {
    FontState font;
    font.glyph_size = Vec2{size_x, size_y};
    EXPECT_TRUE(openFace(font, TEST_FONT_PATH, scale_num, 1));
    return font;
}

// The font library is started once per process and never shut down: the
// face cache keeps its faces for the whole run.
class TextDrawing : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(TTF_Init(), 0) << TTF_GetError(); }
};

} // namespace velmora::test
