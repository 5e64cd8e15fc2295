#include "graphics/AnimImage.h"
#include "graphics/PictureFixtures.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::argb;
using test::makePicture;
using test::pixelAt;
using test::SurfacePtr;

TEST(AnimImageSurface, AllocSizesOneCellAndReusesAMatchingSurface) {
    AnimImage image;
    image.cell_count = 3;
    image.absolute_position = false;
    ASSERT_TRUE(image.allocSurface(9, 2, 2));
    EXPECT_EQ(image.screen_rect.w, 3);
    EXPECT_EQ(image.screen_rect.h, 2);
    EXPECT_TRUE(image.absolute_position);
    SDL_Surface* first = image.surface;
    EXPECT_TRUE(image.allocSurface(9, 2, 2));
    EXPECT_EQ(image.surface, first);
    EXPECT_TRUE(image.allocSurface(12, 2, 2));
    EXPECT_EQ(image.surface->w, 12);
    EXPECT_EQ(image.screen_rect.w, 4);
}

TEST(AnimImageSurface, BadCellCountsAndHugeSizesGiveNoPicture) {
    AnimImage image;
    image.cell_count = 0;
    EXPECT_FALSE(image.allocSurface(8, 8, 2));
    EXPECT_EQ(image.surface, nullptr);
    image.cell_count = 9;
    EXPECT_FALSE(image.allocSurface(8, 8, 2));
    image.cell_count = 1;
    EXPECT_FALSE(image.allocSurface(100000, 100000, 2));
    EXPECT_EQ(image.surface, nullptr);
    EXPECT_EQ(image.alphaAt(0, 0), 0);
    image.adoptSurface(nullptr, 2);
    EXPECT_EQ(image.surface, nullptr);
}

TEST(AnimImageSurface, PaintCopyAndAlphaLookupStayInside) {
    AnimImage image;
    image.cell_count = 2;
    ASSERT_TRUE(image.allocSurface(4, 2, 2));
    image.paint(1, 2, 3, 4);
    EXPECT_EQ(pixelAt(image.surface, 3, 1), argb(4, 1, 2, 3));
    SurfacePtr source(makePicture(3, 1, {argb(10, 0, 0, 0), argb(20, 0, 0, 0), argb(30, 0, 0, 0)}));
    // The 3-wide source at column 2 is cut to the 2 columns left.
    image.copyFromSurface(source.get(), nullptr, 2, 1);
    EXPECT_EQ(pixelAt(image.surface, 2, 1), argb(10, 0, 0, 0));
    EXPECT_EQ(pixelAt(image.surface, 3, 1), argb(20, 0, 0, 0));
    EXPECT_EQ(pixelAt(image.surface, 0, 0), argb(4, 1, 2, 3));
    // Screen point (11, 21) is cell column 1, row 1 of cell 1.
    image.screen_rect.x = 10;
    image.screen_rect.y = 20;
    image.selectCell(1);
    EXPECT_EQ(image.alphaAt(11, 21), 20);
    EXPECT_EQ(image.alphaAt(12, 21), 0);
}

TEST(AnimImageLifecycle, RestoreDefaultsKeepsTheDescriptionModes) {
    AnimImage image;
    image.transparency_mode = TransparencyMode::ColourKey;
    image.loop_mode = LoopMode::PingPong;
    image.affine = true;
    image.alpha = 10;
    image.blend_mode = BlendMode::Add;
    image.matrix = {1, 2, 3, 4};
    image.cell_count = 1;
    image.allocSurface(2, 2, 2);
    image.loaded_source.image_name = "a.png";
    image.restoreDefaults();
    EXPECT_EQ(image.transparency_mode, TransparencyMode::ColourKey);
    EXPECT_EQ(image.loop_mode, LoopMode::PingPong);
    EXPECT_TRUE(image.affine);
    EXPECT_EQ(image.alpha, -1);
    EXPECT_EQ(image.blend_mode, BlendMode::Normal);
    EXPECT_EQ(image.matrix, (AffineMatrix{1024, 0, 0, 1024}));
    EXPECT_EQ(image.surface, nullptr);
    EXPECT_EQ(image.loaded_source, PixelSource{});
}

TEST(AnimImageLifecycle, ShallowCopyNeverFreesTheSharedSurface) {
    AnimImage image;
    image.cell_count = 1;
    ASSERT_TRUE(image.allocSurface(2, 2, 2));
    // An extra reference shows whether the copy released the surface.
    ++image.surface->refcount;
    {
        AnimImage copy;
        copy.copyFrom(image);
        EXPECT_TRUE(copy.is_shallow_copy);
        EXPECT_EQ(copy.surface, image.surface);
        copy.discard();
    }
    EXPECT_EQ(image.surface->refcount, 2);
    --image.surface->refcount;
}

} // namespace
} // namespace velmora
