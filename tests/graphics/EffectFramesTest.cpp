// Single frames of the transitions at fixed times: stripes and curtains,
// the crossfade against the plain blend, scrolls, mask fades with a tiled
// mask, mosaics, and the shakes with their limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "PictureFixtures.h"
#include "graphics/EffectFrames.h"
#include "graphics/PixelBlend.h"

namespace velmora {
namespace {

using test::makePicture;
using test::pixelAt;
using test::SurfacePtr;

constexpr uint32_t UNTOUCHED = 0x11223344u;

uint32_t beforePixel(int x, int y) {
    return 0xff000000u | static_cast<uint32_t>(x * 7 & 0xff) << 16 |
           static_cast<uint32_t>(y * 11 & 0xff) << 8 | static_cast<uint32_t>((x + y) & 0xff);
}
uint32_t afterPixel(int x, int y) {
    return 0xff000000u | static_cast<uint32_t>(255 - (y * 5 & 0xff)) << 16 |
           static_cast<uint32_t>(x * 3 & 0xff) << 8 | static_cast<uint32_t>((x ^ y) & 0xff);
}

SDL_Surface* filled(int w, int h, const std::function<uint32_t(int, int)>& colour) {
    SDL_Surface* s = makePicture(w, h, {});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixelRow(s, y)[x] = colour(x, y);
    return s;
}

class EffectFramesTest : public testing::Test {
  protected:
    void make(int w, int h) {
        before.reset(filled(w, h, beforePixel));
        after.reset(filled(w, h, afterPixel));
        target.reset(filled(w, h, [](int, int) { return UNTOUCHED; }));
        in.before = before.get();
        in.after = after.get();
        in.target = target.get();
        in.area = SDL_Rect{0, 0, static_cast<uint16_t>(w), static_cast<uint16_t>(h)};
    }
    uint32_t at(int x, int y) { return pixelAt(target.get(), x, y); }
    // Every pixel of the target checked against `expected`; stops at a few failures.
    void expectTarget(const std::function<uint32_t(int, int)>& expected) {
        int failures = 0;
        for (int y = 0; y < target->h && failures < 6; ++y)
            for (int x = 0; x < target->w && failures < 6; ++x)
                if (at(x, y) != expected(x, y)) {
                    ADD_FAILURE() << "(" << x << "," << y << ") is " << std::hex << at(x, y)
                                  << ", expected " << expected(x, y);
                    ++failures;
                }
    }
    SurfacePtr before, after, target;
    FrameInput in;
};

TEST_F(EffectFramesTest, StripesGrowFromTheirLeftOrRightEdgeAtTheScale) {
    make(72, 8);
    in.elapsed = 1;
    in.length = 2; // half of 16 pixels
    drawWipe(in, 2);
    // 72 / 16 = 4 stripes; the last 8 columns wait for the final picture.
    expectTarget([](int x, int y) { return x < 64 && x % 16 < 8 ? afterPixel(x, y) : UNTOUCHED; });

    make(64, 8);
    in.elapsed = 1;
    in.length = 4; // w = 4, each stripe ends one pixel short of its right edge
    drawWipe(in, 3);
    expectTarget([](int x, int y) {
        const int r = x % 16;
        return r >= 11 && r <= 14 ? afterPixel(x, y) : UNTOUCHED;
    });

    make(8, 64);
    in.elapsed = 1;
    in.length = 2;
    in.scale_num = 2; // stripes of 32 screen pixels
    drawWipe(in, 4);
    expectTarget([](int x, int y) { return y % 32 < 16 ? afterPixel(x, y) : UNTOUCHED; });
}

TEST_F(EffectFramesTest, CurtainsOpenStripeAfterStripe) {
    make(96, 4);
    in.elapsed = 1;
    in.length = 2; // T = 24; stripe k is 24 - 6k wide
    drawWipe(in, 6);
    expectTarget([](int x, int y) {
        const int k = x / 24;
        return x % 24 < 24 - 6 * k ? afterPixel(x, y) : UNTOUCHED;
    });

    make(96, 4);
    in.elapsed = 1;
    in.length = 2;
    drawWipe(in, 7); // mirrored: stripe k ends at W - 24k
    expectTarget([](int x, int y) {
        const int k = (95 - x) / 24;
        const int from_right = 95 - x - 24 * k;
        return from_right < 24 - 6 * k ? afterPixel(x, y) : UNTOUCHED;
    });

    make(4, 48);
    in.elapsed = 1;
    in.length = 4; // T = 12; v = 12 - 12k
    drawWipe(in, 9);
    expectTarget([](int x, int y) { return y >= 36 ? afterPixel(x, y) : UNTOUCHED; });
}

TEST_F(EffectFramesTest, CrossfadeIsThePlainBlendWithoutAlphaInsideTheArea) {
    make(21, 9);
    in.elapsed = 100;
    in.length = 400; // a = 64
    in.area = SDL_Rect{3, 2, 15, 5};
    drawCrossfade(in);
    expectTarget([](int x, int y) {
        if (x < 3 || x >= 18 || y < 2 || y >= 7) return UNTOUCHED;
        // Alpha 128 at opacity 128 is the weight 64 of the plain blend.
        const uint32_t source = (afterPixel(x, y) & 0x00ffffffu) | 0x80000000u;
        return blendNormal(source, beforePixel(x, y), 128) & 0x00ffffffu;
    });

    // Without length the after picture is drawn whole, with no division.
    make(9, 3);
    in.elapsed = 0;
    in.length = 0;
    drawCrossfade(in);
    expectTarget([](int x, int y) { return afterPixel(x, y) & 0x00ffffffu; });
}

TEST_F(EffectFramesTest, ScrollsPushTheOldPictureOut) {
    make(64, 4);
    in.elapsed = 1;
    in.length = 4; // d = 16
    drawScroll(in, 11);
    expectTarget(
        [](int x, int y) { return x >= 16 ? beforePixel(x - 16, y) : afterPixel(47 + x, y); });

    make(64, 4);
    in.elapsed = 1;
    in.length = 4; // f = 16: the after picture starts at W - f - 1
    drawScroll(in, 12);
    expectTarget([](int x, int y) {
        if (x >= 47 && x < 63) return afterPixel(x - 47, y);
        if (x < 48) return beforePixel(x + 16, y);
        return UNTOUCHED;
    });

    make(4, 40);
    in.elapsed = 3;
    in.length = 4; // h = 30
    drawScroll(in, 13);
    expectTarget(
        [](int x, int y) { return y >= 30 ? beforePixel(x, y - 30) : afterPixel(x, 9 + y); });
}

// The crossfade pixel of weight m, which the crossfade test ties to the plain blend.
uint32_t fadedPixel(int x, int y, uint32_t m) {
    SurfacePtr b(makePicture(1, 1, {beforePixel(x, y)}));
    SurfacePtr n(makePicture(1, 1, {afterPixel(x, y)}));
    SurfacePtr t(makePicture(1, 1, {}));
    FrameInput one;
    one.before = b.get();
    one.after = n.get();
    one.target = t.get();
    one.area = SDL_Rect{0, 0, 1, 1};
    one.elapsed = static_cast<int32_t>(m);
    one.length = 256;
    drawCrossfade(one);
    return pixelAt(t.get(), 0, 0);
}

TEST_F(EffectFramesTest, MaskFadesSwitchWhereTheTiledMaskIsDarker) {
    // A 3 x 2 mask tiled from the top-left corner; only its low byte counts.
    const uint32_t levels[6] = {0, 100, 200, 127, 128, 255};
    SurfacePtr mask(makePicture(
        3, 2, {0xff000000u, 0xffff0064u, 0xff0000c8u, 0xff00007fu, 0xffffff80u, 0xff0000ffu}));
    make(8, 5);
    in.elapsed = 1;
    in.length = 2; // a = 128: levels below it switch fully
    drawMaskBlend(in, mask.get(), false);
    expectTarget([&](int x, int y) {
        const uint32_t c = levels[(y % 2) * 3 + x % 3];
        return fadedPixel(x, y, c < 128 ? 255 : 0);
    });

    make(8, 5);
    in.elapsed = 3;
    in.length = 4; // a = 384 in the soft variant: weight 384 - c, at most 255
    drawMaskBlend(in, mask.get(), true);
    expectTarget([&](int x, int y) {
        const uint32_t c = levels[(y % 2) * 3 + x % 3];
        return fadedPixel(x, y, std::min(384 - c, 255u));
    });
    EXPECT_NE(at(2, 0), fadedPixel(2, 0, 255)); // level 200 is still part way

    // Without a usable mask the frame is a plain crossfade.
    make(8, 5);
    in.elapsed = 1;
    in.length = 4;
    drawMaskBlend(in, nullptr, false);
    expectTarget([](int x, int y) { return fadedPixel(x, y, 64); });
}

TEST_F(EffectFramesTest, MosaicBlocksAreLaidFromTheBottomLeftCorner) {
    make(12, 12);
    in.elapsed = 0;
    in.length = 6; // mosaic out starts at level 5: blocks of 5 pixels
    drawMosaic(in, 16);
    expectTarget([](int x, int y) {
        // Block rows end at rows 11, 6 and 1; the top one is cut to two rows.
        const int bottom = y >= 7 ? 11 : y >= 2 ? 6 : 1;
        return beforePixel(x / 5 * 5, bottom);
    });

    make(12, 12);
    in.elapsed = 5;
    in.length = 6; // mosaic in ends at level 5
    in.area = SDL_Rect{0, 0, 12, 6};
    drawMosaic(in, 17);
    expectTarget([](int x, int y) {
        if (y >= 6) return UNTOUCHED;
        return afterPixel(x / 5 * 5, y >= 2 ? 6 : 1);
    });

    make(12, 12);
    in.elapsed = 0;
    drawMosaic(in, 17); // level 0: one block of 160 pixels
    expectTarget([](int, int) { return afterPixel(0, 11); });
}

TEST_F(EffectFramesTest, ShakesFollowTheDampedSineAndStayInTheirLimits) {
    make(40, 30);
    in.elapsed = 10;
    in.length = 100;
    const double expected = std::sin(2 * 2 * M_PI * 10 / 100.0) * 12 * 2 * 90 / 100.0;
    EXPECT_EQ(shakeOffset(in, 2, 1000), static_cast<int32_t>(expected));
    EXPECT_EQ(shakeOffset(in, 2, 1000), 20);
    EXPECT_EQ(shakeOffset(in, 0, 1000), 0);
    EXPECT_EQ(shakeOffset(in, -3, 1000), 0);
    in.elapsed = 5;
    in.length = 1000; // sin = 1 at amplitude 50: 597 pixels, cut to the screen
    EXPECT_EQ(shakeOffset(in, 50, 30), 30);
    in.scale_num = 2;
    in.elapsed = 10;
    in.length = 100;
    EXPECT_EQ(shakeOffset(in, 2, 1000), static_cast<int32_t>(expected * 2));

    EXPECT_EQ(shakeStepLimit(400, 4), 25);
    EXPECT_EQ(shakeStepLimit(16, 4), 1);
    EXPECT_EQ(shakeStepLimit(10, 100), 1);
    EXPECT_EQ(shakeStepLimit(0, 0), 1);

    EXPECT_EQ(randomShakeOffset(0, 3), -6);
    EXPECT_EQ(randomShakeOffset(10922, 3), -6);
    EXPECT_EQ(randomShakeOffset(10923, 3), 0);
    EXPECT_EQ(randomShakeOffset(21845, 3), 0);
    EXPECT_EQ(randomShakeOffset(21846, 3), 6);
    EXPECT_EQ(randomShakeOffset(32767, 3), 6);
    EXPECT_EQ(randomShakeOffset(32767, 0), 0);
}

TEST_F(EffectFramesTest, ShakenPicturesLeaveBlackBands) {
    make(40, 30);
    in.elapsed = 10;
    in.length = 100;
    in.scale_num = 1;
    drawShake(in, 256, 1); // u = trunc(sin(0.2 pi) x 12 x 0.9) = 6
    expectTarget([](int x, int y) { return y < 6 ? 0xff000000u : afterPixel(x, y - 6); });

    make(40, 30);
    in.elapsed = 40;
    in.length = 100; // sin(0.8 pi) x 12 x 0.6 = 4.23: four columns
    drawShake(in, 257, 1);
    expectTarget([](int x, int y) { return x < 4 ? 0xff000000u : afterPixel(x - 4, y); });

    make(40, 30);
    drawRandomShake(in, -6, 6);
    expectTarget(
        [](int x, int y) { return x >= 34 || y < 6 ? 0xff000000u : afterPixel(x + 6, y - 6); });

    make(40, 30);
    drawRandomShake(in, 1000000, -1000000); // far off the screen: all black
    expectTarget([](int, int) { return 0xff000000u; });
}

} // namespace
} // namespace velmora
