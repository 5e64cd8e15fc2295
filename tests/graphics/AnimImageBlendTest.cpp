#include "graphics/AnimImage.h"
#include "graphics/PictureFixtures.h"
#include "graphics/PixelBlend.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace velmora {
namespace {

using test::argb;
using test::makePicture;
using test::pixelAt;
using test::SurfacePtr;

const SDL_Rect WHOLE_SCREEN{0, 0, 640, 480};

TEST(AnimImageBlend, AlphaStepsOverBackgroundGiveTheIntegerFormula) {
    AnimImage image;
    image.cell_count = 1;
    image.adoptSurface(makePicture(4, 1,
                                   {argb(255, 255, 0, 0), argb(128, 255, 0, 0), argb(0, 255, 0, 0),
                                    argb(1, 255, 0, 0)}),
                       2);
    const uint32_t background = argb(255, 0x20, 0x40, 0x80);
    SurfacePtr screen(makePicture(4, 1, {background, background, background, background}));
    image.blendOnto(screen.get(), 0, 0, WHOLE_SCREEN, image.alpha);
    // m = 128 * 255 >> 8 = 127; red 32 + (223 * 127 >> 8), green and blue
    // fall by (64 * 127) / 256 and (128 * 127) / 256 rounded down.
    EXPECT_EQ(pixelAt(screen.get(), 0, 0), argb(255, 255, 0, 0));
    EXPECT_EQ(pixelAt(screen.get(), 1, 0), argb(255, 142, 32, 64));
    EXPECT_EQ(pixelAt(screen.get(), 2, 0), background);
    EXPECT_EQ(pixelAt(screen.get(), 3, 0), background);
}

TEST(AnimImageBlend, NegativeDifferenceRoundsDown) {
    // 255 - 255 * 127 / 256 = 255 - 126.5, rounded down to 128.
    EXPECT_EQ(blendNormal(argb(128, 0, 0, 0), argb(255, 255, 255, 255), 255),
              argb(255, 128, 128, 128));
}

TEST(AnimImageBlend, OpaqueSourceAtFullOpacityIsCopiedWhole) {
    EXPECT_EQ(blendNormal(argb(255, 1, 2, 255), argb(0, 9, 9, 9), -1), argb(255, 1, 2, 255));
    // Only the low byte of the opacity counts.
    EXPECT_EQ(blendNormal(argb(255, 1, 2, 255), argb(0, 9, 9, 9), 0x1ff), argb(255, 1, 2, 255));
    // At 254, m = 255 * 254 >> 8 = 253: blue 255 * 253 >> 8 = 252.
    EXPECT_EQ(blendNormal(argb(255, 0, 0, 255), argb(0, 0, 0, 0), 254), argb(255, 0, 0, 252));
    // Opacity 256 is 0: no colour moves, but the result is opaque.
    EXPECT_EQ(blendNormal(argb(200, 255, 0, 0), argb(0, 0x20, 0x40, 0x80), 256),
              argb(255, 0x20, 0x40, 0x80));
}

TEST(AnimImageBlend, TransparentSourceKeepsDestinationOnlyInNormalMode) {
    const uint32_t dest = argb(0, 0x11, 0x22, 0x33);
    EXPECT_EQ(blendNormal(argb(0, 255, 255, 255), dest, 255), dest);
    EXPECT_EQ(blendAdd(argb(0, 255, 255, 255), dest, 255), argb(255, 0x11, 0x22, 0x33));
    EXPECT_EQ(blendSubtract(argb(0, 255, 255, 255), dest, 255), argb(255, 0x11, 0x22, 0x33));
}

// The row blend takes four pixels at a time through other arithmetic; every
// pixel must still come out as the single-pixel blend makes it, at every row
// length (the tail) and for opaque, transparent and partial sources.
TEST(AnimImageBlend, RowBlendMatchesThePixelBlendBitForBit) {
    std::mt19937 random(7);
    for (int round = 0; round < 4000; ++round) {
        const int length = static_cast<int>(random() % 19);
        const int32_t opacity = static_cast<int32_t>(random() % 300) - 20;
        std::vector<uint32_t> source(length), dest(length), expected(length);
        for (int i = 0; i < length; ++i) {
            source[i] = static_cast<uint32_t>(random());
            if (random() % 4 == 0) source[i] |= 0xff000000u;
            if (random() % 4 == 0) source[i] &= 0x00ffffffu;
            dest[i] = static_cast<uint32_t>(random());
            expected[i] = blendNormal(source[i], dest[i], opacity);
        }
        blendRowNormal(source.data(), dest.data(), length, opacity);
        ASSERT_EQ(dest, expected) << "length " << length << ", opacity " << opacity;
    }
}

TEST(AnimImageBlend, AddSaturatesEachChannelAlone) {
    const uint32_t white = argb(255, 255, 255, 255);
    EXPECT_EQ(blendAdd(white, white, 255), white);
    // m = 254: 10, 20, 30 scale to 9, 19, 29.
    EXPECT_EQ(blendAdd(argb(255, 10, 20, 30), argb(255, 100, 100, 100), 255),
              argb(255, 109, 119, 129));
    // A carry out of blue or green must not reach its neighbour.
    EXPECT_EQ(blendAdd(argb(255, 0, 0, 200), argb(255, 0, 0, 100), 255), argb(255, 0, 0, 255));
    EXPECT_EQ(blendAdd(argb(255, 0, 200, 0), argb(255, 0, 100, 0), 255), argb(255, 0, 255, 0));
    // Alpha 128 weighs white as 255 * 127 >> 8 = 126.
    EXPECT_EQ(blendAdd(argb(128, 255, 255, 255), argb(0, 0, 0, 0), 255), argb(255, 126, 126, 126));
}

TEST(AnimImageBlend, SubtractStopsEachChannelAtZero) {
    EXPECT_EQ(blendSubtract(argb(255, 255, 255, 255), argb(255, 0, 0, 0), 255), argb(255, 0, 0, 0));
    EXPECT_EQ(blendSubtract(argb(255, 10, 20, 30), argb(255, 100, 100, 100), 255),
              argb(255, 91, 81, 71));
    EXPECT_EQ(blendSubtract(argb(255, 0, 0, 200), argb(255, 128, 128, 100), 255),
              argb(255, 128, 128, 0));
}

TEST(AnimImageBlend, DrawsTheCurrentCellCutByClipAndDestination) {
    AnimImage image;
    image.cell_count = 2;
    image.adoptSurface(
        makePicture(
            4, 1, {argb(255, 1, 0, 0), argb(255, 2, 0, 0), argb(255, 3, 0, 0), argb(255, 4, 0, 0)}),
        2);
    image.selectCell(1);
    const uint32_t black = argb(255, 0, 0, 0);
    SurfacePtr screen(makePicture(4, 2, std::vector<uint32_t>(8, black)));
    // Half off the left edge: only the cell's second pixel lands, at column 0.
    image.blendOnto(screen.get(), -1, 0, SDL_Rect{0, 0, 4, 2}, 255);
    EXPECT_EQ(pixelAt(screen.get(), 0, 0), argb(255, 4, 0, 0));
    EXPECT_EQ(pixelAt(screen.get(), 1, 0), black);
    // A clip wider than the screen must not spill into the next row.
    image.blendOnto(screen.get(), 3, 0, SDL_Rect{0, 0, 100, 100}, 255);
    EXPECT_EQ(pixelAt(screen.get(), 3, 0), argb(255, 3, 0, 0));
    EXPECT_EQ(pixelAt(screen.get(), 0, 1), black);
    // The destination's own edge cuts as the clip does.
    image.blendOnto(screen.get(), -1, 1, SDL_Rect{-10, -10, 100, 100}, 255);
    EXPECT_EQ(pixelAt(screen.get(), 0, 1), argb(255, 4, 0, 0));
}

} // namespace
} // namespace velmora
