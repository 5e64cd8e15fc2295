// Stripe pictures: name parsing, bounds, and where each stripe starts and ends.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/ColourStripes.h"

namespace velmora {
namespace {

constexpr uint32_t RED = 0xffff0000u;
constexpr uint32_t BLUE = 0xff0000ffu;
constexpr uint32_t BLACK = 0xff000000u;
constexpr uint32_t WHITE = 0xffffffffu;

TEST(ColourStripesTest, ParsesSizeAndColours) {
    std::optional<StripeLayout> layout = parseStripeName(">640,480,#ff0000#0000ff");
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->width, 640);
    EXPECT_EQ(layout->height, 480);
    EXPECT_EQ(layout->colours, (std::vector<Rgb>{{0xff, 0, 0}, {0, 0, 0xff}}));
}

TEST(ColourStripesTest, SizesIgnoreNonDigitsAndColoursAllowBlanks) {
    std::optional<StripeLayout> layout = parseStripeName(">6x4, 4 8,\t #102030 \t#405060");
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->width, 64);
    EXPECT_EQ(layout->height, 48);
    EXPECT_EQ(layout->colours, (std::vector<Rgb>{{0x10, 0x20, 0x30}, {0x40, 0x50, 0x60}}));
    std::optional<StripeLayout> bare = parseStripeName(">3,2");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->height, 2);
    EXPECT_TRUE(bare->colours.empty());
}

TEST(ColourStripesTest, RejectsNonStripeEmptyHugeAndMalformed) {
    EXPECT_FALSE(parseStripeName("x.bmp"));
    EXPECT_FALSE(parseStripeName(""));
    EXPECT_FALSE(parseStripeName(">0,10,#000000"));
    EXPECT_FALSE(parseStripeName(">10"));
    EXPECT_FALSE(parseStripeName(">16385,1"));
    EXPECT_FALSE(parseStripeName(">99999999999999999999,1"));
    EXPECT_FALSE(parseStripeName(">8192,4096")); // 2^25 pixels
    EXPECT_TRUE(parseStripeName(">4096,4096"));
    EXPECT_FALSE(parseStripeName(">4,4,#00000"));
    EXPECT_FALSE(parseStripeName(">4,4,#ffffff#gg0000"));
}

TEST(ColourStripesTest, TwoStripesSplitInHalf) {
    std::optional<StripeLayout> layout = parseStripeName(">640,2,#ff0000#0000ff");
    ASSERT_TRUE(layout);
    std::vector<uint32_t> pixels(640 * 2, 0);
    fillStripes(*layout, pixels.data(), 640);
    EXPECT_EQ(pixels[0], RED);
    EXPECT_EQ(pixels[319], RED);
    EXPECT_EQ(pixels[320], BLUE);
    EXPECT_EQ(pixels[639], BLUE);
    EXPECT_EQ(pixels[640 + 319], RED);
    EXPECT_EQ(pixels[640 + 320], BLUE);
}

TEST(ColourStripesTest, UnevenStripesGiveTheRemainderToTheLast) {
    std::optional<StripeLayout> layout = parseStripeName(">100,1,#000000#ffffff#000000");
    ASSERT_TRUE(layout);
    std::vector<uint32_t> pixels(100, 0);
    fillStripes(*layout, pixels.data(), 100);
    std::vector<int> widths;
    uint32_t current = pixels[0];
    int run = 0;
    for (uint32_t p : pixels) {
        if (p != current) {
            widths.push_back(run);
            run = 0;
            current = p;
        }
        ++run;
    }
    widths.push_back(run);
    EXPECT_EQ(widths, (std::vector<int>{33, 33, 34}));
    EXPECT_EQ(pixels[32], BLACK);
    EXPECT_EQ(pixels[33], WHITE);
    EXPECT_EQ(pixels[66], BLACK);
}

TEST(ColourStripesTest, PitchPaddingAndColourlessPicturesAreUntouched) {
    std::optional<StripeLayout> layout = parseStripeName(">2,2,#ff0000");
    ASSERT_TRUE(layout);
    std::vector<uint32_t> pixels(3 * 2, 7);
    fillStripes(*layout, pixels.data(), 3);
    EXPECT_EQ(pixels, (std::vector<uint32_t>{RED, RED, 7, RED, RED, 7}));

    std::optional<StripeLayout> none = parseStripeName(">2,2,");
    ASSERT_TRUE(none);
    std::vector<uint32_t> untouched(4, 0);
    fillStripes(*none, untouched.data(), 2);
    EXPECT_EQ(untouched, (std::vector<uint32_t>(4, 0)));
}

TEST(ColourStripesTest, MoreColoursThanColumns) {
    std::optional<StripeLayout> layout = parseStripeName(">2,1,#000001#000002#000003");
    ASSERT_TRUE(layout);
    std::vector<uint32_t> pixels(2, 0);
    fillStripes(*layout, pixels.data(), 2);
    // Stripe starts 0, 0, 1: the first colour gets no column.
    EXPECT_EQ(pixels, (std::vector<uint32_t>{0xff000002u, 0xff000003u}));
}

} // namespace
} // namespace velmora
