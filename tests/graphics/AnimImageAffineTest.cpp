#include "graphics/AnimImage.h"
#include "graphics/PictureFixtures.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::argb;
using test::makePicture;
using test::pixelAt;
using test::SurfacePtr;

const uint32_t BLACK = argb(255, 0, 0, 0);

// A picture of one cell whose pixel (x, y) has red x + 1 and green y + 1.
void loadNumbered(AnimImage& image, int width, int height) {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(
                argb(255, static_cast<uint32_t>(x + 1), static_cast<uint32_t>(y + 1), 0));
    image.cell_count = 1;
    image.adoptSurface(makePicture(width, height, pixels), 2);
}

void placeAt(AnimImage& image, int16_t x, int16_t y, int32_t scale_x, int32_t scale_y,
             int32_t rotation) {
    image.screen_rect.x = x;
    image.screen_rect.y = y;
    image.scale_x = scale_x;
    image.scale_y = scale_y;
    image.rotation = rotation;
    image.computeAffine();
}

int changedPixels(SDL_Surface* screen) {
    int changed = 0;
    for (int y = 0; y < screen->h; ++y)
        for (int x = 0; x < screen->w; ++x) changed += pixelAt(screen, x, y) != BLACK;
    return changed;
}

TEST(AnimImageAffine, QuarterTurnCoversTheSampledFootprint) {
    AnimImage image;
    loadNumbered(image, 4, 2);
    placeAt(image, 10, 10, 100, 100, 90);
    // c = 0, s = -1024: corner (-hx, -hy) = (-2, -1) goes to (cx - hy, cy + hx).
    EXPECT_EQ(image.corners[0].x, 9);
    EXPECT_EQ(image.corners[0].y, 12);
    EXPECT_EQ(image.corners[2].x, 11);
    EXPECT_EQ(image.corners[2].y, 8);
    EXPECT_EQ(image.inverse, (AffineMatrix{0, -1024, 1024, 0}));
    SurfacePtr screen(makePicture(20, 20, std::vector<uint32_t>(400, BLACK)));
    image.blendAffineOnto(screen.get(), 10, 10, SDL_Rect{0, 0, 20, 20}, -1);
    // Span 9..11 on rows 8..12; sx = 2 - (y - 10), sy = x - 9, so row 8
    // (sx = 4) and column 11 (sy = 2) fall outside the picture.
    EXPECT_EQ(changedPixels(screen.get()), 8);
    for (int y = 9; y <= 12; ++y)
        for (int x = 9; x <= 10; ++x)
            EXPECT_EQ(pixelAt(screen.get(), x, y),
                      argb(255, static_cast<uint32_t>(2 - (y - 10) + 1),
                           static_cast<uint32_t>(x - 9 + 1), 0))
                << x << "," << y;
}

TEST(AnimImageAffine, MirrorFlipsColumnsAroundTheCentre) {
    AnimImage image;
    loadNumbered(image, 2, 2);
    placeAt(image, 5, 5, -100, 100, 0);
    SurfacePtr screen(makePicture(10, 10, std::vector<uint32_t>(100, BLACK)));
    image.blendAffineOnto(screen.get(), 5, 5, SDL_Rect{0, 0, 10, 10}, 255);
    // inv00 = -1024: sx = 1 - (x - 5), so columns 5 and 6 show source 1 and 0.
    EXPECT_EQ(changedPixels(screen.get()), 4);
    EXPECT_EQ(pixelAt(screen.get(), 5, 4), argb(255, 2, 1, 0));
    EXPECT_EQ(pixelAt(screen.get(), 6, 5), argb(255, 1, 2, 0));
}

TEST(AnimImageAffine, AddAndSubtractModesSaturateOnScreen) {
    AnimImage image;
    image.cell_count = 1;
    image.adoptSurface(makePicture(2, 2, std::vector<uint32_t>(4, argb(255, 200, 20, 30))), 2);
    placeAt(image, 5, 5, 100, 100, 0);
    const uint32_t grey = argb(255, 100, 100, 100);
    SurfacePtr screen(makePicture(10, 10, std::vector<uint32_t>(100, grey)));
    image.blend_mode = BlendMode::Add;
    image.blendAffineOnto(screen.get(), 5, 5, SDL_Rect{0, 0, 10, 10}, 255);
    // m = 254: 200 -> 198 (saturates), 20 -> 19, 30 -> 29.
    EXPECT_EQ(pixelAt(screen.get(), 4, 4), argb(255, 255, 119, 129));
    EXPECT_EQ(pixelAt(screen.get(), 6, 6), grey);
    image.blend_mode = BlendMode::Subtract;
    image.blendAffineOnto(screen.get(), 5, 5, SDL_Rect{0, 0, 10, 10}, 255);
    EXPECT_EQ(pixelAt(screen.get(), 5, 5), argb(255, 57, 100, 100));
}

TEST(AnimImageAffine, ZeroScaleDrawsNothingAndKeepsTheInverse) {
    AnimImage image;
    loadNumbered(image, 2, 2);
    placeAt(image, 5, 5, 100, 100, 0);
    placeAt(image, 5, 5, 0, 100, 0);
    EXPECT_EQ(image.inverse, (AffineMatrix{1024, 0, 0, 1024}));
    SurfacePtr screen(makePicture(10, 10, std::vector<uint32_t>(100, BLACK)));
    image.blendAffineOnto(screen.get(), 5, 5, SDL_Rect{0, 0, 10, 10}, 255);
    EXPECT_EQ(changedPixels(screen.get()), 0);
}

TEST(AnimImageAffine, HugeScaleClampsInsteadOfWrapping) {
    AnimImage image;
    loadNumbered(image, 4, 2);
    placeAt(image, 10, 10, 2000000000, 2000000000, 0);
    EXPECT_EQ(image.bounding_rect.x, -32768);
    EXPECT_EQ(image.bounding_rect.w, 65535);
    // The inverse rounds to 0, so every pixel samples the centre (2, 1).
    SurfacePtr screen(makePicture(6, 6, std::vector<uint32_t>(36, BLACK)));
    image.blendAffineOnto(screen.get(), 3, 3, SDL_Rect{0, 0, 100, 100}, 255);
    EXPECT_EQ(pixelAt(screen.get(), 0, 0), argb(255, 3, 2, 0));
    EXPECT_EQ(pixelAt(screen.get(), 5, 5), argb(255, 3, 2, 0));
}

} // namespace
} // namespace velmora
