// The resampler: bilinear eighths, the box pre-filter when shrinking, exact
// corners, pitch padding, and degenerate sizes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "graphics/Resample.h"

namespace velmora {
namespace {

struct Picture {
    int32_t width;
    int32_t height;
    int32_t pitch;
    std::vector<uint32_t> pixels;

    Picture(int32_t w, int32_t h, int32_t p, uint32_t fill = 0)
        : width(w), height(h), pitch(p), pixels(static_cast<size_t>(p) * h, fill) {}
    uint32_t& at(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * pitch + x]; }
    PixelBlock block() { return {pixels.data(), width, height, pitch}; }
    ConstPixelBlock source() const { return {pixels.data(), width, height, pitch}; }
};

TEST(ResampleTest, EnlargingInterpolatesInEighths) {
    Picture source(2, 2, 2);
    source.at(0, 0) = 0;
    source.at(1, 0) = 80;
    source.at(0, 1) = 160;
    source.at(1, 1) = 240;
    Picture out(3, 3, 3);
    ResampleScratch scratch;
    resampleImage(out.block(), source.source(), scratch);
    // The middle is halfway in both directions: the mean of the four.
    EXPECT_EQ(out.at(1, 1), 120u);
    // Top edge middle: halfway between 0 and 80.
    EXPECT_EQ(out.at(1, 0), 40u);
    // Left edge middle: halfway between 0 and 160.
    EXPECT_EQ(out.at(0, 1), 80u);
    EXPECT_EQ(out.at(2, 2), 240u);
}

TEST(ResampleTest, ChannelsAreIndependentAndAlphaIsIncluded) {
    Picture source(2, 1, 2);
    source.at(0, 0) = 0x10ff0008u;
    source.at(1, 0) = 0xf000ff00u;
    Picture out(3, 1, 3);
    ResampleScratch scratch;
    resampleImage(out.block(), source.source(), scratch);
    // Each byte is (4 * a + 4 * b) * 8 >> 6 = (a + b) / 2, truncated.
    EXPECT_EQ(out.at(1, 0), 0x807f7f04u);
}

TEST(ResampleTest, FractionsTruncate) {
    Picture source(2, 1, 2);
    source.at(0, 0) = 0;
    source.at(1, 0) = 7;
    Picture out(5, 1, 5);
    ResampleScratch scratch;
    resampleImage(out.block(), source.source(), scratch);
    // Column 1: t = 8 / 4 = 2, so 2/8 of 7 = 1.75 -> 1; column 3: 6/8 of 7 -> 5.
    EXPECT_EQ(out.at(1, 0), 1u);
    EXPECT_EQ(out.at(2, 0), 3u);
    EXPECT_EQ(out.at(3, 0), 5u);
}

TEST(ResampleTest, ShrinkingAveragesAWindowStartingHalfAWindowBefore) {
    // 6 x 6 to 3 x 3: 2 x 2 windows covering rows and columns x - 1 .. x.
    Picture source(6, 6, 6);
    source.at(1, 1) = 200;
    Picture out(3, 3, 3);
    ResampleScratch scratch;
    resampleImage(out.block(), source.source(), scratch);
    // The middle samples filtered (2, 2) .. (3, 3) halfway; only the filtered
    // (2, 2) sees the bright pixel, as 200 / 4 = 50; 50 / 4 truncates to 12.
    EXPECT_EQ(out.at(1, 1), 12u);
}

TEST(ResampleTest, ShrinkingCentresTheWindowOnOddSizes) {
    // 9 x 1 to 3 x 1: windows of 3 columns x - 1 .. x + 1.
    Picture source(9, 1, 9);
    for (int32_t x = 0; x < 9; ++x) source.at(x, 0) = static_cast<uint32_t>(x * 10);
    source.at(3, 0) = 91;
    Picture out(3, 1, 3);
    ResampleScratch scratch;
    resampleImage(out.block(), source.source(), scratch);
    // Middle: t = 8 * 8 / 2 = 32, column 4 exactly: (91 + 40 + 50) / 3.
    EXPECT_EQ(out.at(1, 0), 60u);
    EXPECT_EQ(out.at(0, 0), 0u);
    EXPECT_EQ(out.at(2, 0), 80u);
}

TEST(ResampleTest, ShrinkingCountsOnlyPixelsInsideThePicture) {
    // 6 x 6 to 3 x 3; the top row's middle samples filtered (2, 0) and (3, 0)
    // halfway. The window of (2, 0) is clipped to row 0, columns 1 .. 2.
    Picture source(6, 6, 6);
    source.at(1, 0) = 100;
    Picture out(3, 3, 3);
    ResampleScratch scratch;
    resampleImage(out.block(), source.source(), scratch);
    // Filtered (2, 0) = 100 / 2; halfway to 0 gives 25.
    EXPECT_EQ(out.at(1, 0), 25u);
}

TEST(ResampleTest, CornersAreExactAfterShrinking) {
    Picture source(640, 480, 640);
    uint32_t seed = 12345;
    for (uint32_t& p : source.pixels) {
        seed = seed * 1103515245u + 12345u;
        p = seed;
    }
    Picture out(64, 48, 64);
    ResampleScratch scratch;
    resampleImage(out.block(), source.source(), scratch);
    EXPECT_EQ(out.at(0, 0), source.at(0, 0));
    EXPECT_EQ(out.at(63, 0), source.at(639, 0));
    EXPECT_EQ(out.at(0, 47), source.at(0, 479));
    EXPECT_EQ(out.at(63, 47), source.at(639, 479));
}

TEST(ResampleTest, UniformPictureStaysUniform) {
    Picture source(50, 30, 53, 0x80402010u);
    Picture out(7, 5, 7);
    ResampleScratch scratch;
    resampleImage(out.block(), source.source(), scratch);
    EXPECT_EQ(out.pixels, std::vector<uint32_t>(35, 0x80402010u));
}

TEST(ResampleTest, PitchPaddingIsZeroed) {
    Picture source(2, 2, 2, 0xffffffffu);
    Picture out(3, 2, 5, 0xdeadbeefu);
    ResampleScratch scratch;
    resampleImage(out.block(), source.source(), scratch);
    for (int32_t y = 0; y < 2; ++y) {
        EXPECT_EQ(out.at(2, y), 0xffffffffu);
        EXPECT_EQ(out.at(3, y), 0u);
        EXPECT_EQ(out.at(4, y), 0u);
    }
}

TEST(ResampleTest, OnePixelWideSourceRepeatsItsColumn) {
    Picture source(1, 2, 1);
    source.at(0, 0) = 16;
    source.at(0, 1) = 48;
    Picture out(3, 3, 3);
    ResampleScratch scratch;
    resampleImage(out.block(), source.source(), scratch);
    for (int32_t x = 0; x < 3; ++x) {
        EXPECT_EQ(out.at(x, 0), 16u);
        EXPECT_EQ(out.at(x, 1), 32u);
        EXPECT_EQ(out.at(x, 2), 48u);
    }
}

TEST(ResampleTest, EmptyOrInconsistentBlocksChangeNothing) {
    Picture source(2, 2, 2, 5);
    Picture out(2, 2, 2, 9);
    ResampleScratch scratch;
    resampleImage({out.pixels.data(), 0, 2, 2}, source.source(), scratch);
    resampleImage({out.pixels.data(), 2, 0, 2}, source.source(), scratch);
    resampleImage(out.block(), {source.pixels.data(), 0, 2, 2}, scratch);
    resampleImage({out.pixels.data(), 2, 2, 1}, source.source(), scratch);
    resampleImage(out.block(), {nullptr, 2, 2, 2}, scratch);
    EXPECT_EQ(out.pixels, std::vector<uint32_t>(4, 9));
}

TEST(ResampleTest, ScratchIsReusedAcrossSizes) {
    ResampleScratch scratch;
    Picture big(40, 40, 40, 100);
    Picture small(2, 2, 2, 200);
    Picture out(3, 3, 3);
    resampleImage(out.block(), big.source(), scratch);
    EXPECT_EQ(out.at(1, 1), 100u);
    resampleImage(out.block(), small.source(), scratch);
    EXPECT_EQ(out.at(1, 1), 200u);
}

} // namespace
} // namespace velmora
