// Drawing characters and strings on a layout with the real test font: line
// wrapping with the indent, what is recorded, damage and immediate showing,
// the rectangle a string covers, escapes and the line-breaking rule.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "GlyphFixtures.h"
#include "text/TextRenderer.h"

namespace velmora {
namespace {

using test::argb;
using test::directGlyph;
using test::DirectGlyph;
using test::filledPicture;
using test::firstDifference;
using test::glyphTop;
using test::paintCoverage;
using test::SurfacePtr;

constexpr uint32_t BLACK = argb(255, 0, 0, 0);
constexpr CharacterBytes HIRAGANA_A{0x82, 0xA0}; // あ

class TextRenderer : public test::TextDrawing {
  protected:
    void SetUp() override {
        test::TextDrawing::SetUp();
        target = filledPicture(300, 200, BLACK);
        expected = filledPicture(300, 200, BLACK);
        context.font_path = test::TEST_FONT_PATH;
        context.compose_surface = target.get();
        context.damage = [this](const SDL_Rect& rect) { damaged.push_back(rect); };
        context.show_now = [this](const SDL_Rect& rect) { shown.push_back(rect); };
        context.record = [this](std::string_view bytes) { page.append(bytes); };
        // Three characters a line, 26 by 28 pixel cells of 24-pixel glyphs.
        font.glyph_size = Vec2{24, 24};
        font.cell_pitch = Vec2{26, 28};
        font.area_origin = Vec2{4, 6};
        font.area_cells = Vec2{3, 4};
    }

    void draw(CharacterBytes character, bool flush = false, bool record = true) {
        drawCharacter(context, character, font, flush, record, target.get(), nullptr, nullptr);
    }

    void render(const char* text, bool flush = false) {
        renderString(context, text, Rgb{255, 255, 255}, font, flush, target.get(), &out_rect,
                     nullptr);
    }

    // The glyph rectangle of `code` drawn with its cell corner at (x, y).
    SDL_Rect glyphRect(uint16_t code, int x, int y) const {
        const DirectGlyph glyph = directGlyph(font.face, code);
        return SDL_Rect{static_cast<Sint16>(x + glyph.min_x),
                        static_cast<Sint16>(glyphTop(font.face, glyph, y, 24)),
                        static_cast<Uint16>(glyph.w()), static_cast<Uint16>(glyph.h())};
    }

    TextRenderContext context;
    FontState font;
    SurfacePtr target;
    SurfacePtr expected;
    std::vector<SDL_Rect> damaged;
    std::vector<SDL_Rect> shown;
    std::string page;
    SDL_Rect out_rect{};
};

void expectRect(const SDL_Rect& rect, int x, int y, int w, int h) {
    EXPECT_EQ(rect.x, x);
    EXPECT_EQ(rect.y, y);
    EXPECT_EQ(rect.w, w);
    EXPECT_EQ(rect.h, h);
}

void expectRect(const SDL_Rect& rect, const SDL_Rect& want) {
    expectRect(rect, want.x, want.y, want.w, want.h);
}

TEST_F(TextRenderer, FullLineWrapsBeforeTheCharacterAndIndentsTheNewLine) {
    context.indent_count = 2;
    font.pen = Vec2{6, 0}; // all three cells used
    draw(HIRAGANA_A);
    EXPECT_EQ(page, "\x81\x40\x81\x40\x82\xa0");
    EXPECT_EQ(font.pen.x, 6);
    EXPECT_EQ(font.pen.y, 2);
    // Four half-cells into the second line.
    EXPECT_EQ(font.last_glyph_origin.x, 4 + 52);
    EXPECT_EQ(font.last_glyph_origin.y, 6 + 28);
    ASSERT_EQ(damaged.size(), 1u);
    expectRect(damaged[0], glyphRect(0x3042, 56, 34));
    EXPECT_TRUE(shown.empty());

    // The shadow falls on black; the glyph is white.
    const DirectGlyph glyph = directGlyph(font.face, 0x3042);
    paintCoverage(expected.get(), glyph, damaged[0].x, damaged[0].y, 255, 255, 255, false);
    EXPECT_EQ(firstDifference(target.get(), expected.get()), "");

    // Unrecorded, the indent still moves the pen.
    page.clear();
    font.pen = Vec2{6, 2};
    draw(HIRAGANA_A, false, false);
    EXPECT_EQ(page, "");
    EXPECT_EQ(font.pen.x, 6);
    EXPECT_EQ(font.pen.y, 4);
}

TEST_F(TextRenderer, TwoSingleByteCharactersAreDrawnSideBySide) {
    draw({'A', 'g'});
    EXPECT_EQ(page, "Ag");
    EXPECT_EQ(font.pen.x, 2);
    EXPECT_EQ(font.last_glyph_origin.x, 4);
    EXPECT_EQ(font.last_glyph_origin.y, 6);
    ASSERT_EQ(damaged.size(), 2u);
    expectRect(damaged[0], glyphRect('A', 4, 6));
    expectRect(damaged[1], glyphRect('g', 4 + 13, 6));

    draw({'A', 0});
    EXPECT_EQ(page, "AgA");
    EXPECT_EQ(font.pen.x, 3);
}

TEST_F(TextRenderer, CharacterWithoutAGlyphStillAdvances) {
    draw({0x81, 0}); // a lead byte without its trail byte
    EXPECT_EQ(font.pen.x, 2);
    EXPECT_EQ(page, "\x81");
    EXPECT_EQ(firstDifference(target.get(), expected.get()), "");
}

TEST_F(TextRenderer, FlushShowsTheGlyphWithRoomForItsShadow) {
    context.shade_distance = Vec2{2, 3};
    draw(HIRAGANA_A, true);
    ASSERT_EQ(shown.size(), 1u);
    const SDL_Rect glyph = glyphRect(0x3042, 4, 6);
    expectRect(shown[0], glyph.x, glyph.y, glyph.w + 2, glyph.h + 3);
    EXPECT_TRUE(damaged.empty());

    context.render_outline = true;
    font.pen = Vec2{2, 0};
    font.line_lead_bearing = 1;
    draw(HIRAGANA_A, true);
    ASSERT_EQ(shown.size(), 2u);
    const SDL_Rect second = glyphRect(0x3042, 4 + 26, 6);
    expectRect(shown[1], second.x - 1, second.y - 1, second.w + 2, second.h + 2);

    font.shadow = false;
    draw(HIRAGANA_A, true);
    ASSERT_EQ(shown.size(), 3u);
    expectRect(shown[2], glyphRect(0x3042, 4 + 52, 6));
}

TEST_F(TextRenderer, OnlyTheCompositionSurfaceTakesDamageAndOnlyInsideTheClip) {
    SurfacePtr other = filledPicture(300, 200, BLACK);
    drawCharacter(context, HIRAGANA_A, font, false, false, other.get(), nullptr, nullptr);
    EXPECT_TRUE(damaged.empty());
    EXPECT_NE(firstDifference(other.get(), expected.get()), "");

    const SDL_Rect far_away{200, 150, 50, 50};
    drawCharacter(context, HIRAGANA_A, font, false, false, target.get(), nullptr, &far_away);
    EXPECT_TRUE(damaged.empty());
    const SDL_Rect near{0, 0, 100, 100};
    drawCharacter(context, HIRAGANA_A, font, false, false, target.get(), nullptr, &near);
    EXPECT_EQ(damaged.size(), 1u);
}

TEST_F(TextRenderer, FontThatCannotBeOpenedEndsTheProcess) {
    context.font_path = "/nonexistent/velmora-font.ttf";
    font.glyph_size = Vec2{37, 37}; // a size no other test opens
    bool cleaned_up = false;
    context.fatal_cleanup = [&cleaned_up] { cleaned_up = true; };
    const test::ExitResult result = test::runTrappingExit([&] { draw(HIRAGANA_A); });
    EXPECT_EQ(result.status, -1);
    EXPECT_EQ(result.stderr_text, "can't open font file: /nonexistent/velmora-font.ttf\n");
    EXPECT_TRUE(cleaned_up);
    EXPECT_EQ(page, "");
}

// renderString layouts: ten characters a line from (10, 10).
class RenderString : public TextRenderer {
  protected:
    void SetUp() override {
        TextRenderer::SetUp();
        font.area_origin = Vec2{10, 10};
        font.area_cells = Vec2{10, 5};
    }
};

TEST_F(RenderString, CoversTheCellsDrawnWithRoomForTheShadow) {
    context.shade_distance = Vec2{2, 3};
    font.text_color = Rgb{1, 2, 3};
    render("\x82\xa0\x82\xa2"); // あい
    const int taller = TTF_FontHeight(font.face) - 24;
    ASSERT_GT(taller, 0);
    // Two full cells plus one pixel; the glyph height plus what the face
    // has more; then the shadow.
    expectRect(out_rect, 10, 10, 53 + 2, 24 + taller + 3);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(font.text_color, (Rgb{1, 2, 3}));
    EXPECT_EQ(font.pen.x, 4);

    // Over two lines: the full width, and the extra face height per line.
    font.pen = Vec2{0, 0};
    render("\x82\xa0\n\x82\xa2");
    expectRect(out_rect, 10, 10, 260 + 2, 28 + 24 + taller + taller + 3);
}

TEST_F(RenderString, WideLastHalfWidthGlyphAndLeftOverhangWidenTheRectangle) {
    font.shadow = false;
    font.cell_pitch = Vec2{20, 28}; // half a cell is 10 pixels
    render("AW");
    const DirectGlyph w = directGlyph(font.face, 'W');
    const int taller = TTF_FontHeight(font.face) - 24;
    ASSERT_GE(w.max_x - w.min_x, 10);
    expectRect(out_rect, 10, 10, 21 + (w.max_x - 10 - w.min_x + 1), 24 + taller);

    font.pen = Vec2{2, 0};
    font.line_lead_bearing = -2; // a glyph reached left of the line start
    render("\x82\xa2");
    expectRect(out_rect, 10 + 20, 10, 21 + 2, 24 + taller);
}

TEST_F(RenderString, FlushShowsTheScaledRectangleAndDrawsAtScreenPixels) {
    context.scale_num = 2;
    font.glyph_size = Vec2{20, 20}; // opened at 40 points; no other test uses 20
    font.cell_pitch = Vec2{22, 24};
    render("\x82\xa0", true);
    const int face_height = TTF_FontHeight(font.face);
    ASSERT_EQ(face_height, font.face_height);
    expectRect(out_rect, 10, 10, 23 + 1, face_height + 1);
    ASSERT_EQ(shown.size(), 1u);
    expectRect(shown[0], 20, 20, 46 + 1, 2 * face_height + 1);

    const DirectGlyph glyph = directGlyph(font.face, 0x3042);
    ASSERT_EQ(damaged.size(), 1u);
    expectRect(damaged[0], 20 + glyph.min_x, glyphTop(font.face, glyph, 20, 40), glyph.w(),
               glyph.h());
}

TEST_F(RenderString, LineFeedsBackslashesAndEscapes) {
    const auto penAfter = [this](const char* text, bool backslash_newline) {
        font.pen = Vec2{0, 0};
        font.backslash_newline = backslash_newline;
        render(text);
        return std::to_string(font.pen.x) + "," + std::to_string(font.pen.y);
    };
    EXPECT_EQ(penAfter("a\nb", false), "1,2");
    EXPECT_EQ(penAfter("\x82\xa0\\\x82\xa2", true), "2,2");
    EXPECT_EQ(penAfter("\x82\xa0\\\x82\xa2", false), "5,0");
    EXPECT_EQ(penAfter("\x82\xa0`\\\x82\xa2", true), "5,0"); // a literal backslash
    EXPECT_EQ(penAfter("a\\b", true), "1,2");                // the backslash does not pair with a
    EXPECT_EQ(penAfter("`a", false), "1,0");                 // the backquote is dropped
    EXPECT_EQ(penAfter("``", false), "1,0");                 // a literal backquote
    EXPECT_EQ(penAfter("a\rb", false), "2,0");               // the carriage return pairs as nothing
}

TEST_F(RenderString, LoneLeadByteEndsTheText) {
    const std::string text = "\x82\xa0\x82";
    auto exact = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(exact.get(), text.c_str(), text.size() + 1);
    render(exact.get());
    EXPECT_EQ(font.pen.x, 2);
    EXPECT_EQ(damaged.size(), 1u);
}

// ああい。 on lines of three: い would end the line and 。 begin the next.
constexpr const char* CLOSING_STOP_TEXT = "\x82\xa0\x82\xa0\x82\xa2\x81\x42";

TEST_F(RenderString, CharacterBeforeAClosingStopMovesDownWithIt) {
    const KinsokuLists lists;
    context.kinsoku = &lists;
    font.area_cells = Vec2{3, 4};
    render(CLOSING_STOP_TEXT);
    ASSERT_EQ(damaged.size(), 4u);
    expectRect(damaged[2], glyphRect(0x3044, 10, 10 + 28));
    EXPECT_EQ(font.pen.x, 4);
    EXPECT_EQ(font.pen.y, 2);

    // With an indent the moved character starts indented.
    damaged.clear();
    context.indent_count = 1;
    font.pen = Vec2{0, 0};
    render(CLOSING_STOP_TEXT);
    ASSERT_EQ(damaged.size(), 4u);
    expectRect(damaged[2], glyphRect(0x3044, 10 + 26, 10 + 28));
    EXPECT_EQ(font.pen.x, 6);
}

TEST_F(RenderString, WithTheRuleOffTheStopBeginsTheNextLine) {
    KinsokuLists lists;
    lists.setSwitch("off");
    context.kinsoku = &lists;
    font.area_cells = Vec2{3, 4};
    render(CLOSING_STOP_TEXT);
    ASSERT_EQ(damaged.size(), 4u);
    expectRect(damaged[2], glyphRect(0x3044, 10 + 52, 10));
    expectRect(damaged[3], glyphRect(0x3002, 10, 10 + 28));
    EXPECT_EQ(font.pen.x, 2);
    EXPECT_EQ(font.pen.y, 2);
}

} // namespace
} // namespace velmora
