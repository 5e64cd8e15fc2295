#include "graphics/ScreenFilters.h"
#include "graphics/PictureFixtures.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmora {
namespace {

using test::argb;
using test::makePicture;
using test::pixelAt;
using test::SurfacePtr;

const SDL_Rect WHOLE{0, 0, 4, 2};

TEST(MonochromeTable, EntriesScaleTheTintByTheGreyLevel) {
    const MonochromeTable white = buildMonochromeTable({255, 255, 255});
    EXPECT_EQ(white[0], (Rgb{0, 0, 0}));
    EXPECT_EQ(white[128], (Rgb{127, 127, 127}));
    EXPECT_EQ(white[255], (Rgb{254, 254, 254}));

    const MonochromeTable sepia = buildMonochromeTable({255, 128, 10});
    EXPECT_EQ(sepia[200], (Rgb{199, 100, 7}));
    EXPECT_EQ(sepia[1], (Rgb{0, 0, 0}));
}

TEST(ScreenFilters, InvertFlipsColoursAndKeepsAlpha) {
    SurfacePtr surface(makePicture(4, 2,
                                   {argb(255, 0, 0, 0), argb(128, 200, 100, 50),
                                    argb(0, 255, 255, 255), argb(7, 1, 2, 3), argb(255, 9, 9, 9),
                                    argb(255, 9, 9, 9), argb(255, 9, 9, 9), argb(255, 9, 9, 9)}));
    invertRect(surface.get(), SDL_Rect{0, 0, 4, 1});
    EXPECT_EQ(pixelAt(surface.get(), 0, 0), argb(255, 255, 255, 255));
    EXPECT_EQ(pixelAt(surface.get(), 1, 0), argb(128, 55, 155, 205));
    EXPECT_EQ(pixelAt(surface.get(), 2, 0), argb(0, 0, 0, 0));
    EXPECT_EQ(pixelAt(surface.get(), 3, 0), argb(7, 254, 253, 252));
    EXPECT_EQ(pixelAt(surface.get(), 0, 1), argb(255, 9, 9, 9)); // outside the rectangle
}

TEST(ScreenFilters, RectangleIsCutToTheSurface) {
    const uint32_t grey = argb(255, 100, 100, 100);
    SurfacePtr surface(makePicture(4, 2, std::vector<uint32_t>(8, grey)));
    invertRect(surface.get(), SDL_Rect{2, 1, 100, 100});
    EXPECT_EQ(pixelAt(surface.get(), 3, 1), argb(255, 155, 155, 155));
    EXPECT_EQ(pixelAt(surface.get(), 2, 1), argb(255, 155, 155, 155));
    EXPECT_EQ(pixelAt(surface.get(), 1, 1), grey);
    EXPECT_EQ(pixelAt(surface.get(), 3, 0), grey);

    invertRect(surface.get(), SDL_Rect{-5, -5, 6, 6});
    EXPECT_EQ(pixelAt(surface.get(), 0, 0), argb(255, 155, 155, 155));
    EXPECT_EQ(pixelAt(surface.get(), 1, 0), grey);
    EXPECT_EQ(pixelAt(surface.get(), 0, 1), grey);

    // Rectangles that miss the surface leave it alone.
    shadeRect(surface.get(), SDL_Rect{4, 0, 10, 10}, {0, 0, 0});
    shadeRect(surface.get(), SDL_Rect{-10, 0, 10, 10}, {0, 0, 0});
    EXPECT_EQ(pixelAt(surface.get(), 3, 0), grey);
    EXPECT_EQ(pixelAt(surface.get(), 0, 1), grey);
}

TEST(ScreenFilters, MonochromeUsesTheWeightedGreyAndClearsAlpha) {
    SurfacePtr surface(
        makePicture(4, 2,
                    {argb(255, 255, 0, 0), argb(255, 0, 255, 0), argb(255, 0, 0, 255),
                     argb(255, 255, 255, 255), argb(128, 200, 100, 50), argb(255, 9, 9, 9)}));
    monochromeRect(surface.get(), WHOLE, buildMonochromeTable({255, 255, 255}));
    // Grey levels 77 * 255 >> 8 = 76, 150, 27 and 255, each then * 255 >> 8.
    EXPECT_EQ(pixelAt(surface.get(), 0, 0), argb(0, 75, 75, 75));
    EXPECT_EQ(pixelAt(surface.get(), 1, 0), argb(0, 149, 149, 149));
    EXPECT_EQ(pixelAt(surface.get(), 2, 0), argb(0, 26, 26, 26));
    EXPECT_EQ(pixelAt(surface.get(), 3, 0), argb(0, 254, 254, 254));
    EXPECT_EQ(pixelAt(surface.get(), 0, 1), argb(0, 123, 123, 123));
    EXPECT_EQ(pixelAt(surface.get(), 1, 1), argb(0, 8, 8, 8));
}

TEST(ScreenFilters, MonochromeLooksColoursUpInTheTintedTable) {
    SurfacePtr surface(makePicture(1, 1, {argb(255, 200, 100, 50)}));
    monochromeRect(surface.get(), WHOLE, buildMonochromeTable({0, 128, 255}));
    EXPECT_EQ(pixelAt(surface.get(), 0, 0), argb(0, 0, 62, 123)); // grey 124
}

TEST(ScreenFilters, ShadeMultipliesEachChannelByShadePlusOne) {
    const uint32_t colour = argb(77, 200, 100, 50);
    SurfacePtr surface(makePicture(4, 2, std::vector<uint32_t>(8, colour)));
    shadeRect(surface.get(), SDL_Rect{0, 0, 1, 1}, {127, 63, 255});
    shadeRect(surface.get(), SDL_Rect{1, 0, 1, 1}, {255, 255, 255});
    shadeRect(surface.get(), SDL_Rect{2, 0, 1, 1}, {0, 0, 0});
    shadeRect(surface.get(), SDL_Rect{3, 0, 1, 1}, {1, 2, 3});
    EXPECT_EQ(pixelAt(surface.get(), 0, 0), argb(77, 100, 25, 50));
    EXPECT_EQ(pixelAt(surface.get(), 1, 0), colour);
    EXPECT_EQ(pixelAt(surface.get(), 2, 0), argb(77, 0, 0, 0));
    // 200 * 2 >> 8, 100 * 3 >> 8, 50 * 4 >> 8
    EXPECT_EQ(pixelAt(surface.get(), 3, 0), argb(77, 1, 1, 0));
    EXPECT_EQ(pixelAt(surface.get(), 0, 1), colour);
}

TEST(ScreenFilters, SurfacesThatAreNotThirtyTwoBitAreLeftAlone) {
    SurfacePtr narrow(createSurface(4, 2, 0));
    ASSERT_TRUE(narrow);
    ASSERT_EQ(narrow->format->BytesPerPixel, 2);
    auto* pixels = static_cast<uint16_t*>(narrow->pixels);
    pixels[0] = 0x1234;
    invertRect(narrow.get(), WHOLE);
    monochromeRect(narrow.get(), WHOLE, buildMonochromeTable({255, 255, 255}));
    shadeRect(narrow.get(), WHOLE, {0, 0, 0});
    EXPECT_EQ(pixels[0], 0x1234);
    invertRect(nullptr, WHOLE);
}

} // namespace
} // namespace velmora
