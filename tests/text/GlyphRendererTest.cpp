// One glyph drawn with the real test font: which code point a byte stands
// for, where the glyph lands, how vertical writing turns and moves it, its
// shadow and outline, and that it reaches both the picture and the surface.
#include <gtest/gtest.h>

#include "GlyphFixtures.h"
#include "text/GlyphRenderer.h"
#include "text/ShiftJis.h"

namespace velmora {
namespace {

using test::argb;
using test::directGlyph;
using test::DirectGlyph;
using test::filledPicture;
using test::firstDifference;
using test::glyphTop;
using test::openedFont;
using test::paintCoverage;
using test::pixelAt;
using test::SurfacePtr;

constexpr uint32_t BLACK = argb(255, 0, 0, 0);
constexpr Rgb WHITE{255, 255, 255};

class GlyphRenderer : public test::TextDrawing {
  protected:
    // Glyph size 24: the face is 25 pixels high with an ascent of 22.
    void SetUp() override {
        test::TextDrawing::SetUp();
        font = openedFont(24, 24);
        ASSERT_NE(font.face, nullptr);
        target = filledPicture(80, 60, BLACK);
        expected = filledPicture(80, 60, BLACK);
    }

    SDL_Rect draw(CharacterBytes character, bool with_shadow = false, Rgb color = WHITE) {
        return renderGlyph(context, target.get(), font, color, character, 10, 20, with_shadow,
                           nullptr, nullptr);
    }

    // Black outlines show only on a lighter surface.
    void onGrey() {
        target = filledPicture(80, 60, argb(255, 128, 128, 128));
        expected = filledPicture(80, 60, argb(255, 128, 128, 128));
    }

    void expectSamePicture() { EXPECT_EQ(firstDifference(target.get(), expected.get()), ""); }

    TextRenderContext context;
    FontState font;
    SurfacePtr target;
    SurfacePtr expected;
};

void expectRect(const SDL_Rect& rect, int x, int y, int w, int h) {
    EXPECT_EQ(rect.x, x);
    EXPECT_EQ(rect.y, y);
    EXPECT_EQ(rect.w, w);
    EXPECT_EQ(rect.h, h);
}

TEST_F(GlyphRenderer, HalfWidthKatakanaByteIsDrawnAsItsFullWidthFormsCodePoint) {
    const DirectGlyph ka = directGlyph(font.face, 0xFF71); // ｱ
    const SDL_Rect rect = draw({0xB1, 0});
    const int top = glyphTop(font.face, ka, 20, 24);
    expectRect(rect, 10 + ka.min_x, top, ka.w(), ka.h());
    paintCoverage(expected.get(), ka, 10 + ka.min_x, top, 255, 255, 255, false);
    expectSamePicture();
    EXPECT_EQ(font.last_bearing_left, ka.min_x);
    EXPECT_EQ(font.last_bearing_right, ka.max_x);
}

TEST_F(GlyphRenderer, AsciiByteIsItsOwnCodePoint) {
    const DirectGlyph g = directGlyph(font.face, 'g');
    const SDL_Rect rect = draw({'g', 'x'}); // the second byte is not looked at
    const int top = glyphTop(font.face, g, 20, 24);
    expectRect(rect, 10 + g.min_x, top, g.w(), g.h());
    paintCoverage(expected.get(), g, 10 + g.min_x, top, 255, 255, 255, false);
    expectSamePicture();
}

TEST_F(GlyphRenderer, LeftBearingIsRememberedOnlyAtTheLineStart) {
    const DirectGlyph a = directGlyph(font.face, 'A');
    ASSERT_LT(a.min_x, 1);
    font.pen.x = 2;
    draw({'A', 0});
    EXPECT_EQ(font.line_lead_bearing, 1);
    font.pen.x = 0;
    draw({0xB1, 0}); // starts 1 pixel in: nothing to remember
    EXPECT_EQ(font.line_lead_bearing, 1);
    draw({'A', 0});
    EXPECT_EQ(font.line_lead_bearing, a.min_x);
}

TEST_F(GlyphRenderer, CodesWithoutACharacterDrawNothing) {
    uint16_t unmapped = 0;
    for (uint32_t code = 0x8140; code <= 0xFCFC && !unmapped; ++code)
        if ((code & 0xFF) >= 0x40 && sjisToUcs2(static_cast<uint16_t>(code)) == 0)
            unmapped = static_cast<uint16_t>(code);
    ASSERT_NE(unmapped, 0);
    for (const CharacterBytes character :
         {CharacterBytes{static_cast<uint8_t>(unmapped >> 8), static_cast<uint8_t>(unmapped)},
          CharacterBytes{0x81, 0}, CharacterBytes{0, 0}}) {
        const SDL_Rect rect = draw(character, true);
        expectRect(rect, 10, 20, 0, 0);
    }
    expectSamePicture();
}

TEST_F(GlyphRenderer, VerticalWritingTurnsLongMarksAndHalfWidthCharacters) {
    font.vertical = 1;
    // ー is turned clockwise: the glyph's bottom edge becomes its left.
    const DirectGlyph bar = directGlyph(font.face, 0x30FC);
    SDL_Rect rect = draw({0x81, 0x5B});
    int top = glyphTop(font.face, bar, 20, 24);
    expectRect(rect, 10 + bar.min_y, top, bar.h(), bar.w());
    paintCoverage(expected.get(), bar, 10 + bar.min_y, top, 255, 255, 255, true);

    const DirectGlyph a = directGlyph(font.face, 'A');
    rect =
        renderGlyph(context, target.get(), font, WHITE, {'A', 0}, 40, 5, false, nullptr, nullptr);
    top = glyphTop(font.face, a, 5, 24);
    expectRect(rect, 40 + a.min_y, top, a.h(), a.w());
    paintCoverage(expected.get(), a, 40 + a.min_y, top, 255, 255, 255, true);
    expectSamePicture();
}

TEST_F(GlyphRenderer, VerticalWritingKeepsOtherFullWidthCharactersUpright) {
    font.vertical = 1;
    const DirectGlyph hiragana = directGlyph(font.face, 0x3042); // あ
    const SDL_Rect rect = draw({0x82, 0xA0});
    const int top = glyphTop(font.face, hiragana, 20, 24);
    expectRect(rect, 10 + hiragana.min_x, top, hiragana.w(), hiragana.h());
    paintCoverage(expected.get(), hiragana, 10 + hiragana.min_x, top, 255, 255, 255, false);
    expectSamePicture();
}

TEST_F(GlyphRenderer, VerticalCommaMovesRightAndUpByHalfTheGlyphWidth) {
    const DirectGlyph comma = directGlyph(font.face, 0x3001); // 、
    const int top = glyphTop(font.face, comma, 20, 24);
    const SDL_Rect upright = draw({0x81, 0x41});
    expectRect(upright, 10 + comma.min_x, top, comma.w(), comma.h());

    font.vertical = 1;
    SurfacePtr fresh = filledPicture(80, 60, BLACK);
    target.swap(fresh);
    const SDL_Rect moved = draw({0x81, 0x41});
    expectRect(moved, 10 + comma.min_x + 12, top - 12, comma.w(), comma.h());
    paintCoverage(expected.get(), comma, 10 + comma.min_x + 12, top - 12, 255, 255, 255, false);
    expectSamePicture();
}

TEST_F(GlyphRenderer, ShadowIsTheGlyphInBlackAtTheShadeDistance) {
    context.shade_distance = Vec2{3, 2};
    target = filledPicture(80, 60, argb(255, 200, 200, 200));
    expected = filledPicture(80, 60, argb(255, 200, 200, 200));
    const DirectGlyph hiragana = directGlyph(font.face, 0x3042);
    const SDL_Rect rect = draw({0x82, 0xA0}, true, Rgb{255, 0, 0});
    const int top = glyphTop(font.face, hiragana, 20, 24);
    expectRect(rect, 10 + hiragana.min_x, top, hiragana.w(), hiragana.h());
    paintCoverage(expected.get(), hiragana, 13 + hiragana.min_x, top + 2, 0, 0, 0, false);
    paintCoverage(expected.get(), hiragana, 10 + hiragana.min_x, top, 255, 0, 0, false);
    expectSamePicture();
}

TEST_F(GlyphRenderer, OutlineModeCentresTheOutlineUnderTheGlyph) {
    context.render_outline = true;
    context.shade_distance = Vec2{5, 5}; // not used for an outline
    onGrey();
    const DirectGlyph hiragana = directGlyph(font.face, 0x3042);
    const DirectGlyph outline = directGlyph(font.outline_face, 0x3042);
    ASSERT_EQ(outline.w() - hiragana.w(), 2);
    ASSERT_EQ(outline.h() - hiragana.h(), 2);
    font.pen.x = 2; // not at the line start, no lead bearing: no shift
    const SDL_Rect rect = draw({0x82, 0xA0}, true);
    const int x = 10 + hiragana.min_x;
    const int top = glyphTop(font.face, hiragana, 20, 24);
    expectRect(rect, x, top, hiragana.w(), hiragana.h());
    paintCoverage(expected.get(), outline, x - 1, top - 1, 0, 0, 0, false);
    paintCoverage(expected.get(), hiragana, x, top, 255, 255, 255, false);
    expectSamePicture();
}

TEST_F(GlyphRenderer, OutlineAtTheLineStartMovesOnePixelRight) {
    context.render_outline = true;
    onGrey();
    const DirectGlyph hiragana = directGlyph(font.face, 0x3042);
    const DirectGlyph outline = directGlyph(font.outline_face, 0x3042);
    font.pen.x = 2;
    font.line_lead_bearing = 0; // a glyph at the line start reached the left edge
    const SDL_Rect rect = draw({0x82, 0xA0}, true);
    const int x = 10 + hiragana.min_x + 1;
    const int top = glyphTop(font.face, hiragana, 20, 24);
    expectRect(rect, x, top, hiragana.w(), hiragana.h());
    paintCoverage(expected.get(), outline, x - 1, top - 1, 0, 0, 0, false);
    paintCoverage(expected.get(), hiragana, x, top, 255, 255, 255, false);
    expectSamePicture();
}

TEST_F(GlyphRenderer, OutlineOfOddExtraWidthIsShiftedHalfAPixelLeft) {
    context.render_outline = true;
    onGrey();
    FontState large = openedFont(32, 32);
    ASSERT_NE(large.face, nullptr);
    const DirectGlyph i = directGlyph(large.face, 0x3044); // い
    DirectGlyph outline = directGlyph(large.outline_face, 0x3044);
    ASSERT_EQ(outline.w() - i.w(), 3) << "the test needs an outline of odd extra width";
    ASSERT_EQ(outline.h() - i.h(), 2);
    // Averaged with the right neighbour; the last column halves.
    auto* bytes = static_cast<uint8_t*>(outline.mask->pixels);
    for (int y = 0; y < outline.h(); ++y)
        for (int x = 0; x < outline.w(); ++x) {
            uint8_t& p = bytes[y * outline.mask->pitch + x];
            const int right = x + 1 < outline.w() ? bytes[y * outline.mask->pitch + x + 1] : 0;
            p = static_cast<uint8_t>((p + right) / 2);
        }
    large.pen.x = 2;
    const SDL_Rect rect = renderGlyph(context, target.get(), large, WHITE, {0x82, 0xA2}, 10, 10,
                                      true, nullptr, nullptr);
    const int x = 10 + i.min_x;
    const int top = glyphTop(large.face, i, 10, 32);
    expectRect(rect, x, top, i.w(), i.h());
    paintCoverage(expected.get(), outline, x - 1, top - 1, 0, 0, 0, false);
    paintCoverage(expected.get(), i, x, top, 255, 255, 255, false);
    expectSamePicture();
}

TEST_F(GlyphRenderer, GlyphLandsInThePictureAndTheSurfaceThroughTheClip) {
    AnimImage cache;
    cache.cell_count = 1;
    ASSERT_TRUE(cache.allocSurface(80, 60, ENGINE_FORMAT_CODE));
    cache.paint(0, 0, 0, 0);
    const DirectGlyph hiragana = directGlyph(font.face, 0x3042);
    const int x = 10 + hiragana.min_x;
    const int top = glyphTop(font.face, hiragana, 20, 24);
    const SDL_Rect clip{0, 0, static_cast<Uint16>(x + 8), 60}; // the left 8 columns
    renderGlyph(context, target.get(), font, Rgb{255, 100, 0}, {0x82, 0xA0}, 10, 20, false, &cache,
                &clip);

    paintCoverage(expected.get(), hiragana, x, top, 255, 100, 0, false);
    int full = 0, partial = 0;
    for (int gy = 0; gy < hiragana.h(); ++gy)
        for (int gx = 0; gx < hiragana.w(); ++gx) {
            const uint32_t a = hiragana.at(gx, gy);
            const uint32_t picture = pixelAt(cache.surface, x + gx, top + gy);
            if (gx >= 8) {
                EXPECT_EQ(picture, 0u) << gx << "," << gy;
                pixelRow(expected.get(), top + gy)[x + gx] = BLACK;
                continue;
            }
            // On a transparent picture the coverage becomes the alpha.
            EXPECT_EQ(picture >> 24, a) << gx << "," << gy;
            if (a == 255) {
                EXPECT_EQ(picture, argb(255, 255, 100, 0));
                ++full;
            } else if (a > 0) {
                ++partial;
            }
        }
    EXPECT_GT(full, 0);
    EXPECT_GT(partial, 0);
    expectSamePicture();
}

} // namespace
} // namespace velmora
