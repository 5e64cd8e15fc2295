// Rotated and scaled sprites through the real program: the pixels they cover
// and which source pixel each shows, and the saturating add and subtract
// forms. The expected footprint comes from a model of the fixed-point
// transform worked out here on its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <string>
#include <utility>

#include "ScreenshotGame.h"

namespace velmora {
namespace {

using test::Bitmap;
using test::encodePng;
using test::expectRegion;
using test::gameScript;
using test::pixelsOf;
using test::playGame;
using test::rgb;
using test::Rgba;
using test::ScratchDir;
using test::screenshotOf;
using test::shoot;

constexpr int SCREEN_W = 640;
constexpr int SCREEN_H = 480;
constexpr uint32_t BG = rgb(0xc0, 0x80, 0x40);

// A 20 x 10 picture in which every pixel has its own colour.
constexpr int PIC_W = 20;
constexpr int PIC_H = 10;
Rgba pictureColour(int x, int y) {
    return Rgba{static_cast<uint8_t>(10 + 10 * x), static_cast<uint8_t>(20 + 20 * y), 0x33, 255};
}
uint32_t pictureAt(int x, int y) {
    const Rgba c = pictureColour(x, y);
    return rgb(c.r, c.g, c.b);
}

// Which picture pixel a sprite drawn at (cx, cy) with the given scales (in
// percent) and rotation (degrees) shows at each screen pixel. Matrices are
// fixed point with 1024 = 1; the inverse carries one extra bit, which is why
// the source position comes out in half pixels.
class AffineModel {
  public:
    AffineModel(int cx, int cy, int scale_x, int scale_y, int rotation)
        : cx(cx), cy(cy), w(PIC_W), h(PIC_H) {
        int64_t c = 1024, s = 0;
        if (rotation != 0) {
            const double theta = -rotation * std::numbers::pi / 180.0;
            c = static_cast<int64_t>(std::cos(theta) * 1024);
            s = static_cast<int64_t>(std::sin(theta) * 1024);
        }
        const int64_t m00 = c * scale_x / 100, m01 = -(s * scale_y / 100);
        const int64_t m10 = s * scale_x / 100, m11 = c * scale_y / 100;
        const int64_t hx = w / 2, hy = h / 2;
        const std::pair<int64_t, int64_t> offsets[4] = {{-hx, -hy}, {-hx, hy}, {hx, hy}, {hx, -hy}};
        for (int k = 0; k < 4; ++k) {
            const int64_t dx = scale_x < 0 ? -offsets[k].first : offsets[k].first;
            const int64_t dy = scale_y < 0 ? -offsets[k].second : offsets[k].second;
            corner_x[k] = cx + (dx * m00 + dy * m01) / 1024;
            corner_y[k] = cy + (dx * m10 + dy * m11) / 1024;
        }
        const int64_t d = int64_t{scale_x} * scale_y;
        inv00 = m11 * 10000 / d;
        inv01 = m01 * -10000 / d;
        inv10 = m10 * -10000 / d;
        inv11 = m00 * 10000 / d;
    }

    int64_t minX() const { return *std::min_element(corner_x, corner_x + 4); }
    int64_t maxX() const { return *std::max_element(corner_x, corner_x + 4); }
    int64_t minY() const { return *std::min_element(corner_y, corner_y + 4); }
    int64_t maxY() const { return *std::max_element(corner_y, corner_y + 4); }

    // The picture pixel shown at (x, y), if any.
    std::optional<std::pair<int, int>> sourceAt(int x, int y) const {
        if (y < std::max<int64_t>(minY(), 0) || y > std::min<int64_t>(maxY(), SCREEN_H - 1))
            return std::nullopt;
        // The scanline runs between the polygon's rising and falling edges.
        int64_t left = minX(), right = maxX();
        for (int k = 0; k < 4; ++k) {
            const int64_t xa = corner_x[k], ya = corner_y[k];
            const int64_t xb = corner_x[(k + 1) % 4], yb = corner_y[(k + 1) % 4];
            if (yb == ya) continue;
            const int64_t edge = (xb - xa) * (y - ya) / (yb - ya) + xa;
            if (yb > ya)
                left = std::max(left, edge);
            else
                right = std::min(right, edge);
        }
        left = std::max<int64_t>(left, 0);
        right = std::min<int64_t>(right, SCREEN_W - 1);
        if (x < left || x > right) return std::nullopt;
        const int64_t rx = x - cx, ry = y - cy;
        const int64_t sx = (((inv00 * rx) >> 9) + ((inv01 * ry) >> 9) + w) >> 1;
        const int64_t sy = (((inv10 * rx) >> 9) + ((inv11 * ry) >> 9) + h) >> 1;
        if (sx < 0 || sx >= w || sy < 0 || sy >= h) return std::nullopt;
        return std::make_pair(static_cast<int>(sx), static_cast<int>(sy));
    }

    uint32_t expected(int x, int y) const {
        const auto source = sourceAt(x, y);
        return source ? pictureAt(source->first, source->second) : BG;
    }

  private:
    int cx, cy, w, h;
    int64_t corner_x[4]{}, corner_y[4]{};
    int64_t inv00 = 0, inv01 = 0, inv10 = 0, inv11 = 0;
};

// Compares the model's picture over its bounding box and a margin around it.
void expectModel(const Bitmap& shot, const AffineModel& model) {
    const int margin = 3;
    expectRegion(
        shot, static_cast<int>(model.minX()) - margin, static_cast<int>(model.minY()) - margin,
        static_cast<int>(model.maxX()) + margin + 1, static_cast<int>(model.maxY()) + margin + 1,
        [&](int x, int y) { return model.expected(x, y); });
}

class RotatedSpriteGameTest : public testing::Test {
  protected:
    std::optional<Bitmap> play(const std::string& sprites) {
        game.write("pic.png", encodePng(PIC_W, PIC_H, pixelsOf(PIC_W, PIC_H, pictureColour)));
        auto run = playGame(game, gameScript("bg #c08040,1\n" + sprites + shoot("shot.bmp")));
        EXPECT_EQ(run.status, 0) << run.err;
        return screenshotOf(game, "shot.bmp");
    }
    ScratchDir game;
};

TEST_F(RotatedSpriteGameTest, QuarterTurnCoversATallAreaAroundItsCentre) {
    auto shot = play("lsp2 0,\":c;pic.png\",100,100,100,100,90\n");
    ASSERT_TRUE(shot);
    // A 20 x 10 picture turned a quarter covers columns 95-104 and rows
    // 91-110; its top row runs up the left edge, its left column along the bottom.
    expectRegion(*shot, 90, 85, 110, 116, [](int x, int y) {
        const bool inside = x >= 95 && x <= 104 && y >= 91 && y <= 110;
        return inside ? pictureAt(110 - y, x - 95) : BG;
    });
    EXPECT_EQ(shot->at(95, 110), pictureAt(0, 0));
    EXPECT_EQ(shot->at(95, 91), pictureAt(19, 0));
    EXPECT_EQ(shot->at(104, 110), pictureAt(0, 9));
}

TEST_F(RotatedSpriteGameTest, ScaledTurnedAndMirroredSpritesFollowTheTransform) {
    auto shot = play("lsp2 1,\":c;pic.png\",300,100,150,80,30\n"
                     "lsp2 2,\":c;pic.png\",500,100,-100,100,-45\n"
                     "lsp2 3,\":c;pic.png\",150,300,250,-150,200\n"
                     "lsp2 4,\":c;pic.png\",450,300,100,100,0\n");
    ASSERT_TRUE(shot);
    for (const AffineModel& model :
         {AffineModel(300, 100, 150, 80, 30), AffineModel(500, 100, -100, 100, -45),
          AffineModel(150, 300, 250, -150, 200), AffineModel(450, 300, 100, 100, 0)}) {
        SCOPED_TRACE(model.minX());
        expectModel(*shot, model);
    }
    // Untransformed, the picture sits with its centre at (450, 300).
    EXPECT_EQ(shot->at(440, 295), pictureAt(0, 0));
    EXPECT_EQ(shot->at(459, 304), pictureAt(19, 9));
}

TEST_F(RotatedSpriteGameTest, SpritesReachingPastTheScreenEdgesAreCut) {
    auto shot = play("lsp2 0,\":c;pic.png\",3,476,300,300,45\n"
                     "lsp2 1,\":c;pic.png\",636,2,-200,200,120\n");
    ASSERT_TRUE(shot);
    for (const AffineModel& model :
         {AffineModel(3, 476, 300, 300, 45), AffineModel(636, 2, -200, 200, 120)}) {
        SCOPED_TRACE(model.minX());
        const auto clampX = [](int64_t x) {
            return static_cast<int>(std::clamp<int64_t>(x, 0, SCREEN_W));
        };
        const auto clampY = [](int64_t y) {
            return static_cast<int>(std::clamp<int64_t>(y, 0, SCREEN_H));
        };
        expectRegion(*shot, clampX(model.minX() - 3), clampY(model.minY() - 3),
                     clampX(model.maxX() + 4), clampY(model.maxY() + 4),
                     [&](int x, int y) { return model.expected(x, y); });
    }
    EXPECT_NE(shot->at(0, 479), BG);
    EXPECT_NE(shot->at(639, 0), BG);
}

TEST_F(RotatedSpriteGameTest, AddAndSubtractSaturate) {
    // Colour (40, 200, 10) at full opacity weighs 254/256: it adds or takes
    // away 39, 198 and 9 from (192, 128, 64).
    auto shot = play("lsp2add 0,\":c;>10,10,#28c80a\",100,100,100,100,0\n"
                     "lsp2sub 1,\":c;>10,10,#28c80a\",200,100,100,100,0\n"
                     "lsph2add 2,\":c;>10,10,#ffffff\",300,100,100,100,0\n");
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->at(100, 100), rgb(231, 255, 73));
    EXPECT_EQ(shot->at(200, 100), rgb(153, 0, 55));
    EXPECT_EQ(shot->at(300, 100), BG);
    EXPECT_EQ(shot->at(110, 100), BG);
}

} // namespace
} // namespace velmora
