#include "graphics/AnimImage.h"
#include "graphics/PictureFixtures.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::argb;
using test::makePicture;
using test::pixelAt;
using test::SurfacePtr;

std::vector<uint32_t> alphas(SDL_Surface* surface) {
    std::vector<uint32_t> result;
    for (int y = 0; y < surface->h; ++y)
        for (int x = 0; x < surface->w; ++x) result.push_back(pixelAt(surface, x, y) >> 24);
    return result;
}

SurfacePtr apply(AnimImage& image, TransparencyMode mode, SDL_Surface* loaded,
                 SDL_Surface* mask = nullptr, bool own_alpha = false) {
    image.transparency_mode = mode;
    return SurfacePtr(image.applyTransparency(loaded, mask, own_alpha));
}

TEST(AnimImageTransparency, KeyedModesCompareColourBitsOnly) {
    const uint32_t key = argb(0, 0x11, 0x22, 0x33);
    const uint32_t other = argb(0, 0x11, 0x22, 0x34);
    const std::vector<uint32_t> pixels{key, other, argb(0x80, 0x11, 0x22, 0x33), other};
    AnimImage image;
    SurfacePtr left = apply(image, TransparencyMode::TopLeftKey, makePicture(2, 2, pixels));
    EXPECT_EQ(alphas(left.get()), (std::vector<uint32_t>{0, 255, 0, 255}));
    EXPECT_EQ(pixelAt(left.get(), 1, 0), other | 0xff000000u);
    EXPECT_EQ(image.script_rect.w, 2);
    SurfacePtr right = apply(image, TransparencyMode::TopRightKey, makePicture(2, 2, pixels));
    EXPECT_EQ(alphas(right.get()), (std::vector<uint32_t>{255, 0, 255, 0}));
    image.key_colour = RgbColour{0x11, 0x22, 0x34};
    SurfacePtr given = apply(image, TransparencyMode::ColourKey, makePicture(2, 2, pixels));
    EXPECT_EQ(alphas(given.get()), (std::vector<uint32_t>{255, 0, 255, 0}));
}

TEST(AnimImageTransparency, OpaqueAndPaletteFillAlphaTextAndOwnAlphaKeepIt) {
    const std::vector<uint32_t> pixels{argb(0, 1, 1, 1), argb(7, 2, 2, 2)};
    AnimImage image;
    image.cell_count = 1;
    EXPECT_EQ(alphas(apply(image, TransparencyMode::Opaque, makePicture(2, 1, pixels)).get()),
              (std::vector<uint32_t>{255, 255}));
    EXPECT_EQ(alphas(apply(image, TransparencyMode::Palette, makePicture(2, 1, pixels)).get()),
              (std::vector<uint32_t>{255, 255}));
    EXPECT_EQ(alphas(apply(image, TransparencyMode::Text, makePicture(2, 1, pixels)).get()),
              (std::vector<uint32_t>{0, 7}));
    SDL_Surface* loaded = makePicture(2, 1, pixels);
    SurfacePtr own = apply(image, TransparencyMode::Alpha, loaded, nullptr, true);
    EXPECT_EQ(own.get(), loaded);
    EXPECT_EQ(alphas(own.get()), (std::vector<uint32_t>{0, 7}));
}

TEST(AnimImageTransparency, ColourAndMaskHalvesJoinPerCell) {
    // Two cells of four columns: two colour pixels, then their masks.
    const std::vector<uint32_t> pixels{argb(9, 1, 0, 0),       argb(9, 2, 0, 0),  argb(0, 0, 0, 0),
                                       argb(0, 255, 255, 255), argb(9, 3, 0, 0),  argb(9, 4, 0, 0),
                                       argb(0, 64, 64, 64),    argb(0, 255, 0, 0)};
    AnimImage image;
    image.cell_count = 2;
    SurfacePtr joined = apply(image, TransparencyMode::Alpha, makePicture(8, 1, pixels));
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->w, 4);
    EXPECT_EQ(image.script_rect.w, 4);
    // Black is opaque, white transparent; only the mask's low (blue) byte counts.
    EXPECT_EQ(pixelAt(joined.get(), 0, 0), argb(255, 1, 0, 0));
    EXPECT_EQ(pixelAt(joined.get(), 1, 0), argb(0, 2, 0, 0));
    EXPECT_EQ(pixelAt(joined.get(), 2, 0), argb(191, 3, 0, 0));
    EXPECT_EQ(pixelAt(joined.get(), 3, 0), argb(255, 4, 0, 0));
}

TEST(AnimImageTransparency, MaskRepeatsAcrossEachCellAndDown) {
    AnimImage image;
    image.cell_count = 2;
    SurfacePtr mask(makePicture(
        2, 2, {argb(0, 0, 0, 0), argb(0, 0, 0, 255), argb(0, 0, 0, 55), argb(0, 0, 0, 155)}));
    SurfacePtr masked =
        apply(image, TransparencyMode::MaskImage,
              makePicture(6, 3, std::vector<uint32_t>(18, argb(0, 5, 5, 5))), mask.get());
    // Cell columns 0, 1, 2 read mask columns 0, 1, 0; rows 0, 1, 2 read rows 0, 1, 0.
    EXPECT_EQ(alphas(masked.get()), (std::vector<uint32_t>{255, 0, 255, 255, 0, 255,     //
                                                           200, 100, 200, 200, 100, 200, //
                                                           255, 0, 255, 255, 0, 255}));
}

TEST(AnimImageTransparency, UnusableCellCountsGiveNoPicture) {
    AnimImage image;
    image.cell_count = 0;
    EXPECT_FALSE(apply(image, TransparencyMode::Alpha, makePicture(4, 1, {})));
    image.cell_count = 5;
    EXPECT_FALSE(apply(image, TransparencyMode::Alpha, makePicture(4, 1, {})));
    // One-column cells have no half to keep.
    image.cell_count = 4;
    EXPECT_FALSE(apply(image, TransparencyMode::Alpha, makePicture(4, 1, {})));
    EXPECT_EQ(image.applyTransparency(nullptr, nullptr, false), nullptr);
}

} // namespace
} // namespace velmora
