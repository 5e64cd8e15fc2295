// Pen arithmetic of a text layout: half-cells to pixels, the rectangle of
// drawn text, line breaks in both writing directions and ruby placement.
#include <gtest/gtest.h>

#include "text/FontState.h"

namespace velmora {
namespace {

FontState horizontalLayout() {
    FontState font;
    font.area_origin = Vec2{10, 20};
    font.glyph_size = Vec2{24, 26};
    font.cell_pitch = Vec2{25, 30};
    font.area_cells = Vec2{20, 10};
    return font;
}

FontState verticalLayout() {
    FontState font;
    font.vertical = 1;
    font.area_origin = Vec2{100, 20};
    font.glyph_size = Vec2{26, 24};
    font.cell_pitch = Vec2{30, 25};
    font.area_cells = Vec2{8, 12};
    return font;
}

void expectRect(const SDL_Rect& rect, int x, int y, int w, int h) {
    EXPECT_EQ(rect.x, x);
    EXPECT_EQ(rect.y, y);
    EXPECT_EQ(rect.w, w);
    EXPECT_EQ(rect.h, h);
}

TEST(FontLayout, PixelPositionMultipliesBeforeHalvingAndTruncatesTowardZero) {
    FontState font = horizontalLayout();
    font.pen = Vec2{3, 4};
    font.ruby_offset = Vec2{5, 7};
    EXPECT_EQ(font.pixelX(false), 10 + 37 + 5); // 3 * 25 / 2
    EXPECT_EQ(font.pixelY(false), 20 + 60 + 7);
    font.pen = Vec2{-3, -1};
    EXPECT_EQ(font.pixelX(false), 10 - 37 + 5); // -75 / 2, not -38
    EXPECT_EQ(font.pixelY(false), 20 - 15 + 7);
}

TEST(FontLayout, RubyRoomIsAddedAcrossTheLineOnly) {
    FontState font = horizontalLayout();
    font.pen = Vec2{2, 2};
    font.ruby_space = true;
    // Horizontal: the line moves down by pitch - glyph height; x is unchanged.
    EXPECT_EQ(font.pixelY(true), 20 + 30 + 30 - 26);
    EXPECT_EQ(font.pixelY(false), 20 + 30);
    EXPECT_EQ(font.pixelX(true), 10 + 25);

    FontState column = verticalLayout();
    column.pen = Vec2{2, 2};
    column.ruby_space = true;
    // Vertical: the column moves by glyph width - pitch; y is unchanged.
    EXPECT_EQ(column.pixelX(true), 100 + 30 + 26 - 30);
    EXPECT_EQ(column.pixelX(false), 100 + 30);
    EXPECT_EQ(column.pixelY(true), 20 + 25);

    column.ruby_space = false;
    EXPECT_EQ(column.pixelX(true), 100 + 30);
}

TEST(FontLayout, UpdatedAreaInHorizontalWriting) {
    FontState font = horizontalLayout();
    font.pen = Vec2{9, 2};
    // Same line: from the start cell to the pen, one pixel wide more.
    expectRect(font.updatedArea(Vec2{3, 2}), 10 + 37, 20 + 30, 6 * 25 / 2 + 1, 26);
    font.ruby_space = true;
    expectRect(font.updatedArea(Vec2{3, 2}), 47, 50, 76, 26 + 30 - 26);

    // Over several lines: the whole width of the area.
    font.ruby_space = false;
    font.pen = Vec2{5, 6};
    expectRect(font.updatedArea(Vec2{3, 2}), 10, 50, 25 * 20, 4 * 30 / 2 + 26);
}

TEST(FontLayout, UpdatedAreaInVerticalWriting) {
    FontState font = verticalLayout();
    font.pen = Vec2{14, 9};
    // Same column: from the start cell down to the pen.
    expectRect(font.updatedArea(Vec2{14, 3}), 100 + 210, 20 + 37, 26, 6 * 25 / 2 + 1);
    font.ruby_space = true;
    expectRect(font.updatedArea(Vec2{14, 3}), 310, 57, 26 + 26 - 30, 76);

    // Over several columns: from the pen's column to the start's, full height.
    font.ruby_space = false;
    font.pen = Vec2{12, 5};
    expectRect(font.updatedArea(Vec2{14, 3}), 100 + 180, 20, 30 + 26, 25 * 12);
}

TEST(FontLayout, LineBreaksAndPositionsFollowTheWritingDirection) {
    FontState font = horizontalLayout();
    font.pen = Vec2{7, 4};
    font.ruby_offset = Vec2{3, 3};
    font.breakLine();
    EXPECT_EQ(font.pen.x, 0);
    EXPECT_EQ(font.pen.y, 6);
    EXPECT_EQ(font.ruby_offset.x, 0);
    EXPECT_EQ(font.ruby_offset.y, 0);
    font.advance(3);
    font.shiftLine(4);
    EXPECT_EQ(font.pen.x, 3);
    EXPECT_EQ(font.ruby_offset.x, 4);
    EXPECT_EQ(font.ruby_offset.y, 0);

    FontState column = verticalLayout();
    column.pen = Vec2{14, 5};
    column.breakLine();
    EXPECT_EQ(column.pen.x, 12);
    EXPECT_EQ(column.pen.y, 0);
    column.advance(3);
    column.shiftLine(4);
    EXPECT_EQ(column.pen.y, 3);
    EXPECT_EQ(column.pen.x, 12);
    EXPECT_EQ(column.ruby_offset.y, 4);
    EXPECT_FALSE(column.isLineStart());
    column.pen.y = 0;
    EXPECT_TRUE(column.isLineStart());
}

TEST(FontLayout, LineEndIsTheLengthOfTheLineInHalfCells) {
    FontState font = horizontalLayout(); // 20 characters: 40 half-cells
    font.pen = Vec2{38, 0};
    EXPECT_FALSE(font.reachesLineEnd(1));
    EXPECT_TRUE(font.reachesLineEnd(2));
    font.pen.x = 40;
    EXPECT_TRUE(font.reachesLineEnd(0));

    FontState column = verticalLayout(); // 12 characters a column
    column.pen = Vec2{40, 22};
    EXPECT_FALSE(column.reachesLineEnd(1));
    EXPECT_TRUE(column.reachesLineEnd(2));
}

TEST(FontLayout, ClearPositionStartsVerticalTextInTheRightmostColumn) {
    FontState column = verticalLayout(); // 8 columns
    column.pen = Vec2{3, 5};
    column.ruby_offset = Vec2{4, 4};
    column.clearPosition();
    EXPECT_EQ(column.pen.x, 14);
    EXPECT_EQ(column.pen.y, 0);
    EXPECT_EQ(column.ruby_offset.x, 0);
    EXPECT_EQ(column.ruby_offset.y, 0);

    column.area_cells.x = 0; // no columns yet: x stays
    column.pen = Vec2{3, 5};
    column.clearPosition();
    EXPECT_EQ(column.pen.x, 3);
    EXPECT_EQ(column.pen.y, 0);

    FontState font = horizontalLayout();
    font.pen = Vec2{3, 5};
    font.setDirection(1);
    EXPECT_EQ(font.vertical, 1);
    EXPECT_EQ(font.pen.x, 38);
    EXPECT_EQ(font.pen.y, 0);
    font.setDirection(0);
    EXPECT_EQ(font.pen.x, 0);
}

TEST(FontLayout, PositionAndSingleLineCountInCharacterCells) {
    FontState font = horizontalLayout();
    font.pen = Vec2{5, 7};
    font.setPosition(-1, 3);
    EXPECT_EQ(font.pen.x, 5);
    EXPECT_EQ(font.pen.y, 6);
    font.setPosition(4, -1);
    EXPECT_EQ(font.pen.x, 8);
    EXPECT_EQ(font.pen.y, 6);

    font.setSingleLine(9);
    EXPECT_EQ(font.area_cells.x, 9);
    EXPECT_EQ(font.area_cells.y, 1);
    FontState column = verticalLayout();
    column.setSingleLine(9);
    EXPECT_EQ(column.area_cells.x, 1);
    EXPECT_EQ(column.area_cells.y, 9);
}

TEST(FontLayout, ResetLayoutRestoresTheSwitches) {
    FontState font = verticalLayout();
    font.pen = Vec2{3, 5};
    font.ruby_offset = Vec2{2, 2};
    font.bold = font.shadow = font.shaded_window = false;
    font.backslash_newline = true;
    font.resetLayout();
    EXPECT_EQ(font.vertical, 0);
    EXPECT_EQ(font.pen.x, 0);
    EXPECT_EQ(font.pen.y, 0);
    EXPECT_EQ(font.ruby_offset.x, 0);
    EXPECT_EQ(font.ruby_offset.y, 0);
    EXPECT_TRUE(font.bold && font.shadow && font.shaded_window);
    EXPECT_FALSE(font.backslash_newline);
}

TEST(FontLayout, GrowRectAddsToEachField) {
    SDL_Rect rect{10, 20, 30, 40};
    FontState::growRect(rect, -1, -2, 3, 4);
    expectRect(rect, 9, 18, 33, 44);
}

// The base text of the ruby tests: 26-pixel pitch, ruby room kept.
FontState rubyBase() {
    FontState base;
    base.area_origin = Vec2{10, 50};
    base.glyph_size = Vec2{24, 24};
    base.cell_pitch = Vec2{26, 30};
    base.area_cells = Vec2{20, 5};
    base.pen = Vec2{4, 2};
    base.ruby_space = true;
    return base;
}

FontState rubyFont(int32_t vertical) {
    FontState ruby;
    ruby.vertical = vertical;
    ruby.glyph_size = Vec2{12, 12};
    ruby.pen = Vec2{5, 5};
    return ruby;
}

TEST(FontLayout, ShortRubyIsSpreadOverItsBase) {
    FontState base = rubyBase();
    FontState ruby = rubyFont(0);
    // Base 3 * 26 = 78 pixels, ruby 3 * 12 = 36: m = (78 - 11 * 3) / 6 = 7.
    EXPECT_EQ(ruby.layoutRuby(base, 3, 3), 0);
    // Over the base pen (62, 50 + 30 + 6), one ruby line up.
    EXPECT_EQ(ruby.area_origin.x, 62 + 7);
    EXPECT_EQ(ruby.area_origin.y, 86 - 12);
    EXPECT_EQ(ruby.cell_pitch.x, 12 + 14);
    EXPECT_EQ(ruby.cell_pitch.y, 12);
    EXPECT_EQ(ruby.area_cells.x, 3);
    EXPECT_EQ(ruby.area_cells.y, 1);
    EXPECT_EQ(ruby.pen.x, 0);
    EXPECT_EQ(ruby.pen.y, 0);
    EXPECT_EQ(base.ruby_offset.x, 0);
    EXPECT_EQ(base.pen.x, 4);
}

TEST(FontLayout, LongRubyPushesItsBaseAlongTheLine) {
    FontState base = rubyBase();
    base.ruby_offset.x = 2;
    FontState ruby = rubyFont(0);
    // Ruby 3 * 12 = 36 over a base of 26: overhang (36 - 26 + 1) / 2 = 5.
    EXPECT_EQ(ruby.layoutRuby(base, 1, 3), 5);
    EXPECT_EQ(base.ruby_offset.x, 7);
    EXPECT_EQ(ruby.area_origin.x, 10 + 52 + 2);
    EXPECT_EQ(ruby.cell_pitch.x, 12);
    EXPECT_EQ(ruby.area_cells.x, 3);
}

TEST(FontLayout, RubyBreaksTheBaseLineWhenTheBaseDoesNotFit) {
    FontState base = rubyBase();
    base.pen = Vec2{30, 2}; // 3 + 15 < 19: fits
    FontState ruby = rubyFont(0);
    ruby.layoutRuby(base, 3, 3);
    EXPECT_EQ(base.pen.y, 2);

    base.pen = Vec2{32, 2}; // 3 + 16 reaches the last character: next line
    base.ruby_offset.x = 9;
    ruby.layoutRuby(base, 3, 3);
    EXPECT_EQ(base.pen.x, 0);
    EXPECT_EQ(base.pen.y, 4);
    EXPECT_EQ(base.ruby_offset.x, 0);
    EXPECT_EQ(ruby.area_origin.y, 50 + 60 + 6 - 12);
}

FontState verticalRubyBase() {
    FontState base;
    base.vertical = 1;
    base.area_origin = Vec2{300, 20};
    base.glyph_size = Vec2{24, 24};
    base.cell_pitch = Vec2{30, 26};
    base.area_cells = Vec2{8, 10};
    base.pen = Vec2{14, 4};
    base.ruby_space = true;
    return base;
}

TEST(FontLayout, VerticalRubyStandsRightOfItsBase) {
    FontState base = verticalRubyBase();
    FontState ruby = rubyFont(1);
    // Base 2 * 26 = 52, ruby 3 * 12 = 36: m = (52 - 33) / 6 = 3.
    EXPECT_EQ(ruby.layoutRuby(base, 2, 3), 0);
    EXPECT_EQ(ruby.area_origin.x, 300 + 210 + 24 - 30 + 24);
    EXPECT_EQ(ruby.area_origin.y, 20 + 52 + 3);
    EXPECT_EQ(ruby.cell_pitch.y, 12 + 6);
    EXPECT_EQ(ruby.cell_pitch.x, 12);
    EXPECT_EQ(ruby.area_cells.x, 1);
    EXPECT_EQ(ruby.area_cells.y, 3);
    EXPECT_EQ(ruby.pen.x, 0); // the one column
    EXPECT_EQ(ruby.pen.y, 0);

    FontState longer = rubyFont(1);
    // Ruby 4 * 12 = 48 over 26: (48 - 26 + 1) / 2 = 11 down the column.
    EXPECT_EQ(longer.layoutRuby(base, 1, 4), 11);
    EXPECT_EQ(base.ruby_offset.y, 11);
    EXPECT_EQ(base.ruby_offset.x, 0);
}

TEST(FontLayout, VerticalRubyBreaksTheColumnWhenTheBaseDoesNotFit) {
    FontState base = verticalRubyBase();
    base.pen = Vec2{14, 16}; // 2 + 8 characters fit in 10
    FontState ruby = rubyFont(1);
    ruby.layoutRuby(base, 2, 3);
    EXPECT_EQ(base.pen.x, 14);

    base.pen = Vec2{14, 18}; // 2 + 9 do not
    ruby.layoutRuby(base, 2, 3);
    EXPECT_EQ(base.pen.x, 12);
    EXPECT_EQ(base.pen.y, 0);
    EXPECT_EQ(ruby.area_origin.y, 20 + 3);
}

} // namespace
} // namespace velmora
