// Tagged image strings: every tag, cell lists (whole and cut short),
// the text form, the load-cache key and malformed input.
#include <gtest/gtest.h>

#include <string>

#include "graphics/TaggedString.h"

namespace velmora {
namespace {

using Transparency = ImageTag::Transparency;
using Loop = ImageTag::Loop;
using Error = ImageTag::Error;

TEST(TaggedStringTest, UntaggedNameKeepsDefaultModeAndOneCell) {
    ImageTag tag = parseTaggedString("cursor0.bmp");
    EXPECT_EQ(tag.transparency_mode, Transparency::TopLeftKey);
    EXPECT_EQ(tag.cell_count, 1);
    EXPECT_FALSE(tag.animating);
    EXPECT_EQ(tag.image_name, "cursor0.bmp");
    EXPECT_FALSE(tag.mask_name);
    EXPECT_EQ(tag.error, Error::None);

    TagParseOptions options;
    options.default_transparency = Transparency::Opaque;
    EXPECT_EQ(parseTaggedString("bg.bmp", options).transparency_mode, Transparency::Opaque);
    // An unknown mode letter keeps the default as well and consumes nothing.
    ImageTag unknown = parseTaggedString(":z;x.bmp", options);
    EXPECT_EQ(unknown.transparency_mode, Transparency::Opaque);
    EXPECT_EQ(unknown.image_name, "x.bmp");
}

TEST(TaggedStringTest, ModeLetters) {
    EXPECT_EQ(parseTaggedString(":a;f.png").transparency_mode, Transparency::Alpha);
    EXPECT_EQ(parseTaggedString(":l;f.png").transparency_mode, Transparency::TopLeftKey);
    EXPECT_EQ(parseTaggedString(":r;f.png").transparency_mode, Transparency::TopRightKey);
    EXPECT_EQ(parseTaggedString(":c;f.png").transparency_mode, Transparency::Opaque);
    // Spaces after the colon are skipped.
    ImageTag spaced = parseTaggedString(":   r;f.png");
    EXPECT_EQ(spaced.transparency_mode, Transparency::TopRightKey);
    EXPECT_EQ(spaced.image_name, "f.png");
}

TEST(TaggedStringTest, ColourKeyReadsSevenCharacters) {
    ImageTag tag = parseTaggedString(":#Ff8001;key.bmp");
    EXPECT_EQ(tag.transparency_mode, Transparency::ColourKey);
    EXPECT_EQ(tag.key_colour, (Rgb{0xff, 0x80, 0x01}));
    EXPECT_EQ(tag.image_name, "key.bmp");
    EXPECT_EQ(tag.error, Error::None);
}

TEST(TaggedStringTest, BadOrShortColourKeyIsAnError) {
    EXPECT_EQ(parseTaggedString(":#12345g;x.bmp").error, Error::BadColour);
    EXPECT_EQ(parseTaggedString(":#1234").error, Error::BadColour);
    EXPECT_EQ(parseTaggedString(":#").error, Error::BadColour);
    EXPECT_FALSE(parseTaggedString(":#1234").image_name);
}

TEST(TaggedStringTest, PaletteIndex) {
    ImageTag tag = parseTaggedString(":!42;pal.bmp");
    EXPECT_EQ(tag.transparency_mode, Transparency::Palette);
    EXPECT_EQ(tag.palette_index, 42);
    EXPECT_EQ(tag.image_name, "pal.bmp");
    EXPECT_EQ(parseTaggedString(":!99999999999999;p").palette_index, INT32_MAX);
}

TEST(TaggedStringTest, MaskNameRunsToSemicolonIncludingSpaces) {
    ImageTag tag = parseTaggedString(":m mask.bmp;face.bmp");
    EXPECT_EQ(tag.transparency_mode, Transparency::MaskImage);
    EXPECT_EQ(tag.mask_name, " mask.bmp");
    EXPECT_EQ(tag.image_name, "face.bmp");
}

TEST(TaggedStringTest, MaskWithoutSemicolonSetsNoMask) {
    ImageTag end = parseTaggedString(":mmask.bmp");
    EXPECT_EQ(end.transparency_mode, Transparency::MaskImage);
    EXPECT_FALSE(end.mask_name);
    EXPECT_EQ(end.image_name, "");
    // A line end before the ';' also leaves the mask unset.
    EXPECT_FALSE(parseTaggedString(":mmask\n.bmp;face.bmp").mask_name);
}

TEST(TaggedStringTest, CellsWithOneDuration) {
    ImageTag tag = parseTaggedString(":l/3,160,2;cursor0.bmp");
    EXPECT_EQ(tag.transparency_mode, Transparency::TopLeftKey);
    EXPECT_EQ(tag.cell_count, 3);
    EXPECT_EQ(tag.cell_durations, (std::vector<int32_t>{160, 160, 160}));
    EXPECT_EQ(tag.loop_mode, Loop::PingPong);
    EXPECT_TRUE(tag.animating);
    EXPECT_EQ(tag.remaining_ms, 160);
    EXPECT_EQ(tag.image_name, "cursor0.bmp");
}

TEST(TaggedStringTest, LoopDigits) {
    ImageTag cycle = parseTaggedString(":c/2,100,0;x.bmp");
    EXPECT_EQ(cycle.loop_mode, Loop::Cycle);
    EXPECT_TRUE(cycle.animating);
    EXPECT_EQ(parseTaggedString(":c/2,100,1;x.bmp").loop_mode, Loop::Once);
    ImageTag still = parseTaggedString(":c/2,100,3;x.bmp");
    EXPECT_EQ(still.loop_mode, Loop::Static);
    EXPECT_EQ(still.cell_count, 2);
    EXPECT_FALSE(still.animating);
}

TEST(TaggedStringTest, CellsWithDurationList) {
    ImageTag tag = parseTaggedString(":a/3,<100,200,300>,1;face.png");
    EXPECT_EQ(tag.cell_count, 3);
    EXPECT_EQ(tag.cell_durations, (std::vector<int32_t>{100, 200, 300}));
    EXPECT_EQ(tag.loop_mode, Loop::Once);
    EXPECT_EQ(tag.remaining_ms, 100);
    EXPECT_EQ(tag.image_name, "face.png");
}

TEST(TaggedStringTest, SeparatorsAreAnySingleCharacter) {
    ImageTag tag = parseTaggedString(":l/2x<5|6|x0;n.bmp");
    EXPECT_EQ(tag.cell_count, 2);
    EXPECT_EQ(tag.cell_durations, (std::vector<int32_t>{5, 6}));
    EXPECT_EQ(tag.loop_mode, Loop::Cycle);
    EXPECT_EQ(tag.image_name, "n.bmp");
}

TEST(TaggedStringTest, TextBetweenModeAndSlashIsSkipped) {
    ImageTag tag = parseTaggedString(":cjunk/2,50,3 more;x.bmp");
    EXPECT_EQ(tag.cell_count, 2);
    EXPECT_EQ(tag.cell_durations, (std::vector<int32_t>{50, 50}));
    EXPECT_EQ(tag.image_name, "x.bmp");
}

TEST(TaggedStringTest, TruncatedCellListsStopAtTheEnd) {
    ImageTag count_only = parseTaggedString(":l/3");
    EXPECT_EQ(count_only.cell_count, 3);
    EXPECT_EQ(count_only.cell_durations, (std::vector<int32_t>{0, 0, 0}));
    EXPECT_EQ(count_only.loop_mode, Loop::Cycle);
    EXPECT_TRUE(count_only.animating);
    EXPECT_EQ(count_only.image_name, "");

    ImageTag no_loop = parseTaggedString(":l/2,70");
    EXPECT_EQ(no_loop.cell_durations, (std::vector<int32_t>{70, 70}));
    EXPECT_EQ(no_loop.loop_mode, Loop::Cycle);

    ImageTag short_list = parseTaggedString(":l/4,<10,20");
    EXPECT_EQ(short_list.cell_count, 4);
    EXPECT_EQ(short_list.cell_durations, (std::vector<int32_t>{10, 20, 0, 0}));
    EXPECT_EQ(short_list.loop_mode, Loop::Cycle);
    EXPECT_EQ(short_list.remaining_ms, 10);

    ImageTag separator_last = parseTaggedString(":l/2,5,");
    EXPECT_EQ(separator_last.loop_mode, Loop::Cycle);
}

TEST(TaggedStringTest, LoopCharacterOutsideZeroToThreeMeansCycle) {
    EXPECT_EQ(parseTaggedString(":l/2,5,9;a").loop_mode, Loop::Cycle);
    EXPECT_EQ(parseTaggedString(":l/2,5,x;a").loop_mode, Loop::Cycle);
}

TEST(TaggedStringTest, ZeroCellsGiveNoPicture) {
    ImageTag tag = parseTaggedString(":l/0,100,0;x.bmp");
    EXPECT_EQ(tag.error, Error::ZeroCells);
    EXPECT_EQ(tag.cell_count, 0);
    EXPECT_TRUE(tag.cell_durations.empty());
    EXPECT_FALSE(tag.image_name);
    // No digits at all count as zero.
    EXPECT_EQ(parseTaggedString(":l/,100,0;x.bmp").error, Error::ZeroCells);
    EXPECT_EQ(parseTaggedString(":l/").error, Error::ZeroCells);
}

TEST(TaggedStringTest, HugeCellCountsGiveNoPicture) {
    ImageTag tag = parseTaggedString(":l/65536,1,0;x.bmp");
    EXPECT_EQ(tag.error, Error::TooManyCells);
    EXPECT_FALSE(tag.image_name);
    EXPECT_TRUE(tag.cell_durations.empty());
    EXPECT_EQ(parseTaggedString(":l/99999999999999999999,1,0;x").error, Error::TooManyCells);
    ImageTag largest = parseTaggedString(":l/65535,1,3;x.bmp");
    EXPECT_EQ(largest.error, Error::None);
    EXPECT_EQ(largest.cell_durations.size(), 65535u);
}

TEST(TaggedStringTest, DurationsSaturate) {
    ImageTag tag = parseTaggedString(":l/1,4294967296,3;x");
    EXPECT_EQ(tag.cell_durations, (std::vector<int32_t>{INT32_MAX}));
}

TEST(TaggedStringTest, SemicolonIsNeededBeforeTheName) {
    // Without ';' the name is what follows where the parse stopped.
    EXPECT_EQ(parseTaggedString(":lcursor.bmp").image_name, "");
    EXPECT_EQ(parseTaggedString(":c/2,100,0x.bmp").image_name, "");
    // Everything after the first ';' is the name, later ';' included.
    EXPECT_EQ(parseTaggedString(":c;a;b.bmp").image_name, "a;b.bmp");
}

TEST(TaggedStringTest, TextWithSizeAndColours) {
    ImageTag tag = parseTaggedString(":s/20,20,2;#ff0000#00ff00Hello");
    EXPECT_EQ(tag.transparency_mode, Transparency::Text);
    EXPECT_EQ(tag.cell_count, 2);
    EXPECT_EQ(tag.cell_colours, (std::vector<Rgb>{{0xff, 0, 0}, {0, 0xff, 0}}));
    EXPECT_EQ(tag.font_size_x, 20);
    EXPECT_EQ(tag.font_size_y, 20);
    EXPECT_EQ(tag.pitch_x, 22);
    EXPECT_EQ(tag.pitch_y, 20);
    EXPECT_EQ(tag.image_name, "Hello");
    EXPECT_FALSE(tag.text_is_expression);
    EXPECT_FALSE(tag.animating);
}

TEST(TaggedStringTest, TextPitchFollowsWidthNotHeight) {
    ImageTag two = parseTaggedString(":s/24,16;#000000T");
    EXPECT_EQ(two.font_size_x, 24);
    EXPECT_EQ(two.font_size_y, 16);
    EXPECT_EQ(two.pitch_x, 24);
    EXPECT_EQ(two.pitch_y, 24);
    // A fourth value is read and ignored; the extra pitch may be negative.
    ImageTag four = parseTaggedString(":s/24, 16, -3, 99;#000000T");
    EXPECT_EQ(four.pitch_x, 21);
    EXPECT_EQ(four.pitch_y, 24);
}

TEST(TaggedStringTest, TextWithoutSizeTakesTheWindowFont) {
    TagParseOptions options;
    options.window_font_size_x = 26;
    options.window_font_size_y = 27;
    options.window_pitch_x = 28;
    options.window_pitch_y = 29;
    ImageTag tag = parseTaggedString(":s#ffffff#000000#123456ab;c", options);
    EXPECT_EQ(tag.font_size_x, 26);
    EXPECT_EQ(tag.font_size_y, 27);
    EXPECT_EQ(tag.pitch_x, 28);
    EXPECT_EQ(tag.pitch_y, 29);
    EXPECT_EQ(tag.cell_count, 3);
    EXPECT_EQ(tag.cell_colours[2], (Rgb{0x12, 0x34, 0x56}));
    // A ';' after the colours is part of the text.
    EXPECT_EQ(tag.image_name, "ab;c");
}

TEST(TaggedStringTest, TextFromStringVariable) {
    ImageTag tag = parseTaggedString(":s;#ffffff$1");
    EXPECT_EQ(tag.cell_count, 1);
    EXPECT_TRUE(tag.text_is_expression);
    EXPECT_EQ(tag.image_name, "$1");
}

TEST(TaggedStringTest, TextSizeUsesTheGivenIntegerReader) {
    TagParseOptions options;
    // Reads "%N" as N * 10, standing in for a variable lookup.
    options.read_integer = [](std::string_view text, int32_t& value) -> size_t {
        if (text.size() < 2 || text[0] != '%') return 0;
        value = (text[1] - '0') * 10;
        return 2;
    };
    ImageTag tag = parseTaggedString(":s/%2,%3,%1;#000000x", options);
    EXPECT_EQ(tag.font_size_x, 20);
    EXPECT_EQ(tag.font_size_y, 30);
    EXPECT_EQ(tag.pitch_x, 30);
    // A reader claiming more than is left cannot move the parse past the end.
    options.read_integer = [](std::string_view, int32_t& value) -> size_t {
        value = 1;
        return 1000;
    };
    ImageTag runaway = parseTaggedString(":s/1,1;#000000x", options);
    EXPECT_EQ(runaway.error, Error::ZeroCells);
}

TEST(TaggedStringTest, TextWithoutColourGivesNoPicture) {
    ImageTag tag = parseTaggedString(":s/20,20,0;Hello");
    EXPECT_EQ(tag.error, Error::ZeroCells);
    EXPECT_EQ(tag.cell_count, 0);
    EXPECT_FALSE(tag.image_name);
}

TEST(TaggedStringTest, TextWithBrokenColourIsAnError) {
    EXPECT_EQ(parseTaggedString(":s#ff00").error, Error::BadColour);
    EXPECT_EQ(parseTaggedString(":s#ffffff#xyzxyzT").error, Error::BadColour);
}

TEST(TaggedStringTest, StringEndsAtItsFirstZeroByte) {
    std::string text = ":c;ab";
    text += '\0';
    text += "cd";
    EXPECT_EQ(parseTaggedString(text).image_name, "ab");
    std::string cut = ":l/2,";
    cut += '\0';
    cut += "50,3;x";
    ImageTag tag = parseTaggedString(cut);
    EXPECT_EQ(tag.cell_durations, (std::vector<int32_t>{0, 0}));
    EXPECT_EQ(tag.loop_mode, Loop::Cycle);
}

TEST(TaggedStringTest, EmptyAndBareColon) {
    ImageTag empty = parseTaggedString("");
    EXPECT_EQ(empty.image_name, "");
    EXPECT_EQ(empty.cell_count, 1);
    ImageTag colon = parseTaggedString(":");
    EXPECT_EQ(colon.image_name, "");
    EXPECT_EQ(colon.error, Error::None);
}

TEST(TaggedStringTest, ParseHexColour) {
    EXPECT_EQ(parseHexColour("#0aB0c0"), (Rgb{0x0a, 0xb0, 0xc0}));
    EXPECT_FALSE(parseHexColour("0aB0c0x"));
    EXPECT_FALSE(parseHexColour("#0aB0c"));
    EXPECT_FALSE(parseHexColour("#0aB0 c"));
}

} // namespace
} // namespace velmora
