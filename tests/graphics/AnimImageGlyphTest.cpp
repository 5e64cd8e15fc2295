#include "graphics/AnimImage.h"
#include "graphics/GlyphBlend.h"
#include "graphics/PictureFixtures.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::argb;
using test::makePicture;
using test::pixelAt;
using test::SurfacePtr;

// An 8-bit coverage map filled row by row from `values`.
SurfacePtr makeCoverage(int width, int height, const std::vector<uint8_t>& values) {
    SurfacePtr map(SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 8, 0, 0, 0, 0));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            static_cast<uint8_t*>(map->pixels)[y * map->pitch + x] = values[y * width + x];
    return map;
}

TEST(AnimImageGlyph, PartialCoverageOnTransparentKeepsTheTextColour) {
    AnimImage image;
    image.cell_count = 1;
    image.adoptSurface(makePicture(3, 1, {}), 2);
    SurfacePtr glyph = makeCoverage(3, 1, {128, 255, 0});
    image.blendGlyph(glyph.get(), 0, 0, RgbColour{255, 100, 0}, nullptr, false);
    // out = 128 * C * (65535 / 128) >> 16: 255 -> 254, 100 -> 99, not halved.
    EXPECT_EQ(pixelAt(image.surface, 0, 0), argb(128, 254, 99, 0));
    EXPECT_EQ(pixelAt(image.surface, 1, 0), argb(255, 255, 100, 0));
    EXPECT_EQ(pixelAt(image.surface, 2, 0), 0u);
}

TEST(AnimImageGlyph, PartialCoverageOnOpaqueUsesTheBlendedAlpha) {
    AnimImage image;
    image.cell_count = 2;
    image.adoptSurface(makePicture(4, 1, std::vector<uint32_t>(4, argb(255, 0, 0, 200))), 2);
    image.selectCell(1);
    SurfacePtr glyph = makeCoverage(1, 1, {128});
    image.blendGlyph(glyph.get(), 0, 0, RgbColour{255, 255, 255}, nullptr, false);
    // ca = 255 * 127 >> 8 = 126, alpha 254, r = 258: red and green
    // 128 * 255 * 258 >> 16 = 128, blue (126 * 200 + 128 * 255) * 258 >> 16 = 227.
    EXPECT_EQ(pixelAt(image.surface, 2, 0), argb(254, 128, 128, 227));
    EXPECT_EQ(pixelAt(image.surface, 0, 0), argb(255, 0, 0, 200));
}

TEST(AnimImageGlyph, CoverageOntoPlainSurfaceIsOpaqueMix) {
    SurfacePtr target(makePicture(2, 1, {argb(0, 0x20, 0x40, 0x80), argb(0, 1, 1, 1)}));
    SurfacePtr glyph = makeCoverage(2, 1, {128, 0});
    blendCoverage(target.get(), 0, 0, glyph.get(), RgbColour{255, 255, 255}, false, nullptr);
    // (D * 127 + 255 * 128) >> 8 per channel.
    EXPECT_EQ(pixelAt(target.get(), 0, 0), argb(255, 143, 159, 191));
    EXPECT_EQ(pixelAt(target.get(), 1, 0), argb(0, 1, 1, 1));
}

TEST(AnimImageGlyph, RotatedGlyphTurnsClockwiseAndClipsFromItsBottom) {
    // Two columns, three rows; white over black gives 255 * a >> 8.
    SurfacePtr glyph = makeCoverage(2, 3, {10, 20, 30, 40, 50, 60});
    SurfacePtr target(makePicture(3, 2, std::vector<uint32_t>(6, argb(255, 0, 0, 0))));
    blendCoverage(target.get(), 0, 0, glyph.get(), RgbColour{255, 255, 255}, true, nullptr);
    const uint32_t expected[2][3] = {{49, 29, 9}, {59, 39, 19}};
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(pixelAt(target.get(), i, j) & 0xff, expected[j][i]) << i << "," << j;
    SurfacePtr shifted(makePicture(3, 2, std::vector<uint32_t>(6, argb(255, 0, 0, 0))));
    blendCoverage(shifted.get(), -1, 0, glyph.get(), RgbColour{255, 255, 255}, true, nullptr);
    EXPECT_EQ(pixelAt(shifted.get(), 0, 0) & 0xff, 29u);
    EXPECT_EQ(pixelAt(shifted.get(), 2, 0), argb(255, 0, 0, 0));
}

} // namespace
} // namespace velmora
