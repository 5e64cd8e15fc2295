// The sprite, standing-picture, bar, number and direct-drawing commands run
// through the real program: what they put on screen is read back from
// saved screenshots, and what they report from the global variables the
// game leaves in gloval.sav.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "ScreenshotGame.h"

namespace velmora {
namespace {

using test::expectRegion;
using test::over;
using test::playGame;
using test::rgb;
using test::Rgba;
using test::ScratchDir;
using test::screenshotOf;
using test::shoot;

using test::BG;
using test::BG_LINE;
using test::bitmapOf;

constexpr uint32_t WHITE = rgb(255, 255, 255);

// A game with ten global variables that gloval.sav keeps at the end.
std::string globalGame(const std::string& start, const std::string& define = "") {
    return ";$V10G0\n*define\nglobalon\n" + define + "game\n*start\n" + start + "end\n";
}

// Saves the window as it is, without showing the damage first.
std::string grab(const std::string& name) {
    return "getscreenshot 640,480\nsavescreenshot \"" + name + "\"\n";
}

// Three 10 x 10 cells side by side: red, green, blue.
std::string threeCells() {
    return bitmapOf(30, 10, [](int x, int) {
        return x < 10 ? rgb(255, 0, 0) : x < 20 ? rgb(0, 255, 0) : rgb(0, 0, 255);
    });
}

TEST(SpriteCommandGameTest, MovesChangePositionAndOpacityAsComputed) {
    ScratchDir game;
    const std::string white = "\":c;>20,10,#ffffff\"";
    auto run = playGame(game, test::gameScript("bg black,1\n"
                                               "lsp 0," +
                                               white +
                                               ",10,10\n"
                                               "msp 0,10,0,-50\n"
                                               "lsp 1," +
                                               white +
                                               ",100,10\n"
                                               "amsp 1,200,50,-20\n"
                                               "lsp 2," +
                                               white +
                                               ",10,100\n"
                                               "msp 2,0,0,-50\nmsp 2,5,5,300\n"
                                               "lsp 3," +
                                               white +
                                               ",300,300\n"
                                               "amsp 3,400,300\n" +
                                               shoot("shot.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto shot = screenshotOf(game, "shot.bmp");
    ASSERT_TRUE(shot);
    // Opacity -1 means 255, so -50 gives 205: white over black at 205 is 203.
    constexpr uint32_t faded = over(Rgba{255, 255, 255, 255}, 0, 205);
    static_assert(faded == rgb(203, 203, 203));
    expectRegion(*shot, 20, 10, 40, 20, [](int, int) { return faded; });
    expectRegion(*shot, 10, 10, 20, 20, [](int, int) { return 0u; });
    // amsp with opacity -20 clamps to 0: the sprite is invisible at both places.
    expectRegion(*shot, 100, 10, 120, 20, [](int, int) { return 0u; });
    expectRegion(*shot, 200, 50, 220, 60, [](int, int) { return 0u; });
    // 205 + 300 clamps to 255: fully opaque again, moved by (5, 5).
    expectRegion(*shot, 15, 105, 35, 115, [](int, int) { return WHITE; });
    EXPECT_EQ(shot->at(14, 104), 0u);
    // amsp without an opacity keeps the sprite opaque and moves it absolutely.
    expectRegion(*shot, 400, 300, 420, 310, [](int, int) { return WHITE; });
    EXPECT_EQ(shot->at(300, 300), 0u);
}

TEST(SpriteCommandGameTest, QueriesReportPositionSizeAndVisibility) {
    ScratchDir game;
    game.write("cells.bmp", threeCells());
    auto run = playGame(game, globalGame("lsp 3,\":c/3,0,3;cells.bmp\",40,50\n"
                                         "getspsize 3,%0,%1,%2\n"
                                         "lsp 4,\":c;>8,8,#ffffff\",0,0\n"
                                         "vsp 4,2\ngetspmode %3,4\n"
                                         "vsp 4,1\ngetspmode %4,4\n"
                                         "csp 4\ngetsppos 4,%5,%6\n"
                                         "csp -1\ngetsppos 3,%7,%8\n"
                                         "mov %9,77\ngetsppos 1000,%9,%9\ngetspmode %9,-1\n"
                                         "getspsize 5000,%9,%9,%9\n"));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<int32_t> v = test::globalValues(game);
    // The size covers the whole image, all three cells.
    EXPECT_EQ(v[0], 30);
    EXPECT_EQ(v[1], 10);
    EXPECT_EQ(v[2], 3);
    EXPECT_EQ(v[3], 0) << "vsp with 2 hides";
    EXPECT_EQ(v[4], 1);
    // Removing one sprite keeps its place; removing all moves every used one away.
    EXPECT_EQ(v[5], 0);
    EXPECT_EQ(v[6], 0);
    EXPECT_EQ(v[7], -1000);
    EXPECT_EQ(v[8], -1000);
    EXPECT_EQ(v[9], 77) << "queries of sprites outside the slots leave the variables";
}

TEST(SpriteCommandGameTest, StandingPicturesFollowTheStandLineOrderAndOpacity) {
    ScratchDir game;
    const std::string pictures = "ld l,\":c;>200,100,#ff0000\",1\n"
                                 "ld c,\":c;>200,100,#00ff00\",1\n"
                                 "ld r,\":c;>200,100,#0000ff\",1\n";
    auto run = playGame(
        game,
        test::gameScript(BG_LINE + pictures + shoot("default.bmp") + "humanorder \"lcr\",1\n" +
                             shoot("lcr.bmp") + "humanorder \"rl\",1\n" + shoot("rl.bmp") +
                             "humanorder \"lcr\",1\ntal r,128,1\n" + shoot("tal.bmp"),
                         "underline 400\n"));
    ASSERT_EQ(run.status, 0) << run.err;
    constexpr uint32_t red = rgb(255, 0, 0), green = rgb(0, 255, 0), blue = rgb(0, 0, 255);
    auto first = screenshotOf(game, "default.bmp");
    ASSERT_TRUE(first);
    // Left spans x 60..259, centre 220..419, right 380..579; all stand on y 300..399.
    EXPECT_EQ(first->at(60, 300), red);
    EXPECT_EQ(first->at(59, 300), BG);
    EXPECT_EQ(first->at(579, 399), blue);
    EXPECT_EQ(first->at(580, 399), BG);
    EXPECT_EQ(first->at(300, 299), BG);
    EXPECT_EQ(first->at(300, 400), BG);
    // By default the right picture is in front and the left one at the back.
    EXPECT_EQ(first->at(240, 350), green);
    EXPECT_EQ(first->at(400, 350), blue);

    auto lcr = screenshotOf(game, "lcr.bmp");
    ASSERT_TRUE(lcr);
    EXPECT_EQ(lcr->at(240, 350), red);
    EXPECT_EQ(lcr->at(400, 350), green);

    auto rl = screenshotOf(game, "rl.bmp");
    ASSERT_TRUE(rl);
    EXPECT_EQ(rl->at(240, 350), red);
    EXPECT_EQ(rl->at(300, 350), BG) << "the centre picture is left out of the order";
    EXPECT_EQ(rl->at(400, 350), blue);

    auto tal = screenshotOf(game, "tal.bmp");
    ASSERT_TRUE(tal);
    EXPECT_EQ(tal->at(500, 350), over(Rgba{0, 0, 255, 255}, BG, 128));
    EXPECT_EQ(tal->at(400, 350), green);
    EXPECT_EQ(tal->at(100, 350), red);
}

TEST(SpriteCommandGameTest, BarsFillTheirProportionAndClear) {
    ScratchDir game;
    auto run =
        playGame(game, test::gameScript(BG_LINE +
                                        "bar 0,30,10,100,200,8,100,\"#ff0000\"\n"
                                        "bar 1,0,10,200,200,8,100,\"#ff0000\"\n"
                                        "bar 2,50,10,300,200,8,0,\"#ff0000\"\n"
                                        "bar 100,50,10,400,200,8,100,\"#ff0000\"\n"
                                        "bar -1,50,10,400,200,8,100,\"#ff0000\"\n" +
                                        shoot("bars.bmp") + "barclear\n" + shoot("clear.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto bars = screenshotOf(game, "bars.bmp");
    ASSERT_TRUE(bars);
    expectRegion(*bars, 0, 90, 640, 480, [](int x, int y) {
        return x >= 10 && x < 70 && y >= 100 && y < 108 ? rgb(255, 0, 0) : BG;
    });
    auto clear = screenshotOf(game, "clear.bmp");
    ASSERT_TRUE(clear);
    expectRegion(*clear, 0, 90, 100, 120, [](int, int) { return BG; });
}

TEST(SpriteCommandGameTest, DirectDrawingGoesToTheWindowOnlyOnDraw) {
    ScratchDir game;
    game.write("cells.bmp", threeCells());
    auto run = playGame(
        game,
        test::gameScript(BG_LINE + "lsp 5,\":c/3,0,3;cells.bmp\",600,400\n" + shoot("before.bmp") +
                         "drawfill 0,0,255\ndrawsp 5,1,255,50,60\n" + grab("undrawn.bmp") +
                         "draw\n" + grab("drawn.bmp") +
                         "drawsp3 5,2,255,200,200,1000,0,0,1000\n"
                         "drawsp3 5,0,255,300,200,2000,0,0,2000\ndraw\n" +
                         grab("matrix.bmp") + "drawclear\ndraw\n" + grab("clear.bmp") +
                         "drawbg\ndraw\n" + grab("bg.bmp") + "repaint\n" + grab("repaint.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto before = screenshotOf(game, "before.bmp");
    auto undrawn = screenshotOf(game, "undrawn.bmp");
    auto drawn = screenshotOf(game, "drawn.bmp");
    ASSERT_TRUE(before && undrawn && drawn);
    EXPECT_EQ(undrawn->pixels, before->pixels) << "nothing shows before draw";
    expectRegion(*drawn, 40, 50, 70, 80, [](int x, int y) {
        return x >= 50 && x < 60 && y >= 60 && y < 70 ? rgb(0, 255, 0) : rgb(0, 0, 255);
    });

    auto matrix = screenshotOf(game, "matrix.bmp");
    ASSERT_TRUE(matrix);
    // The identity matrix draws the 10 x 10 cell centred on (200, 200), the
    // doubled one a 20 x 20 picture centred on (300, 200).
    EXPECT_EQ(matrix->at(200, 200), rgb(0, 0, 255));
    EXPECT_EQ(matrix->at(196, 196), rgb(0, 0, 255));
    EXPECT_EQ(matrix->at(203, 203), rgb(0, 0, 255));
    EXPECT_EQ(matrix->at(300, 200), rgb(255, 0, 0));
    EXPECT_EQ(matrix->at(292, 192), rgb(255, 0, 0));
    EXPECT_EQ(matrix->at(307, 207), rgb(255, 0, 0));
    EXPECT_EQ(matrix->at(300, 185), rgb(0, 0, 255));
    EXPECT_EQ(matrix->at(315, 200), rgb(0, 0, 255));

    auto clear = screenshotOf(game, "clear.bmp");
    ASSERT_TRUE(clear);
    expectRegion(*clear, 0, 0, 640, 480, [](int, int) { return 0u; });
    auto bg = screenshotOf(game, "bg.bmp");
    ASSERT_TRUE(bg);
    expectRegion(*bg, 0, 0, 640, 480, [](int, int) { return BG; });
    // A repaint composes the layers again: drawsp left sprite 5 in its own first cell.
    auto repaint = screenshotOf(game, "repaint.bmp");
    ASSERT_TRUE(repaint);
    EXPECT_EQ(repaint->at(600, 400), rgb(255, 0, 0));
    EXPECT_EQ(repaint->at(200, 200), BG);
}

// A 20 x 10 button picture whose pixels name their place: red = 10 x column,
// green = 20 x row; the right half has blue 200, the left half blue 0.
uint32_t buttonPixel(int x, int y) {
    return rgb(x * 10, y * 20, x < 10 ? 0 : 200);
}

TEST(SpriteCommandGameTest, BltCopiesFromTheButtonPictureScaledMirroredOrDirect) {
    ScratchDir game;
    game.write("buttons.bmp", bitmapOf(20, 10, buttonPixel));
    auto run = playGame(
        game,
        test::gameScript(BG_LINE + shoot("before.bmp") + "btndef \"buttons.bmp\"\n" +
                         "blt 100,100,20,10,0,0,20,10\n" + grab("direct.bmp") + "repaint\n" +
                         grab("refreshed.bmp") +
                         "blt 200,100,40,20,0,0,20,10\n"
                         // The left half mirrored: its right edge must not show the right half.
                         "blt 300,100,-10,10,0,0,10,10\n"
                         // Half of this source lies past the picture's right edge.
                         "blt 400,100,40,10,10,0,20,10\n"
                         "blt 500,100,0,10,0,0,20,10\n" +
                         grab("scaled.bmp") + "bclear\nblt 100,300,20,10,0,0,20,10\n" +
                         "btndef \"\"\nblt 100,350,20,10,0,0,20,10\n" + grab("cleared.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto before = screenshotOf(game, "before.bmp");
    auto direct = screenshotOf(game, "direct.bmp");
    auto refreshed = screenshotOf(game, "refreshed.bmp");
    auto scaled = screenshotOf(game, "scaled.bmp");
    auto cleared = screenshotOf(game, "cleared.bmp");
    ASSERT_TRUE(before && direct && refreshed && scaled && cleared);

    // Same size: the picture as it is, top-left pixel included (no key colour).
    expectRegion(*direct, 99, 99, 121, 111, [](int x, int y) {
        const bool inside = x >= 100 && x < 120 && y >= 100 && y < 110;
        return inside ? buttonPixel(x - 100, y - 100) : BG;
    });
    EXPECT_EQ(refreshed->pixels, before->pixels) << "a refresh draws over a direct blt";

    expectRegion(*scaled, 199, 99, 241, 121, [](int x, int y) {
        const bool inside = x >= 200 && x < 240 && y >= 100 && y < 120;
        return inside ? buttonPixel((x - 200) / 2, (y - 100) / 2) : BG;
    });
    // Destination columns 290..299 read source columns 10 - (x - 290), the
    // first of them kept inside the ten-column source.
    expectRegion(*scaled, 289, 100, 301, 110, [](int x, int y) {
        if (x < 290 || x >= 300) return BG;
        return buttonPixel(std::min(300 - x, 9), y - 100);
    });
    expectRegion(*scaled, 400, 100, 440, 110, [](int x, int y) {
        return x < 420 ? buttonPixel((x - 400) / 2 + 10, y - 100) : 0u;
    });
    EXPECT_EQ(scaled->at(500, 100), BG) << "a width of 0 copies nothing";
    EXPECT_EQ(cleared->at(101, 301), buttonPixel(1, 1)) << "bclear keeps the button picture";
    EXPECT_EQ(cleared->at(101, 351), BG) << "btndef with an empty name drops it";
}

TEST(SpriteCommandGameTest, GradientRecoloursTheKeyRowsWithTruncatedSteps) {
    ScratchDir game;
    constexpr uint32_t grey = rgb(90, 90, 90);
    game.write("key.bmp", bitmapOf(4, 30, [](int x, int y) {
                   return y >= 10 && y <= 20 && x != 3 ? rgb(0, 0, 255) : grey;
               }));
    auto run = playGame(game, test::gameScript(BG_LINE +
                                               "lsp 0,\":c;key.bmp\",100,100\n"
                                               "sp_rgb_gradation 0,0,0,0,255,100,50,"
                                               "0,0,255,255\n"
                                               "sp_rgb_gradation 999,0,0,0,1,1,1,0,0,"
                                               "255,255\n"
                                               "sp_rgb_gradation 1000,0,0,0,1,1,1,0,0,"
                                               "255,255\n" +
                                               shoot("shot.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto shot = screenshotOf(game, "shot.bmp");
    ASSERT_TRUE(shot);
    expectRegion(*shot, 100, 100, 104, 130, [](int x, int y) {
        const int r = y - 100;
        if (r < 10 || r > 20 || x == 103) return grey;
        const uint32_t step = static_cast<uint32_t>(r - 10);
        return rgb(255 * step / 10, 100 * step / 10, 50 * step / 10);
    });
    EXPECT_EQ(shot->at(100, 113), rgb(76, 30, 15));
}

TEST(SpriteCommandGameTest, ControlStringHidesRangesAndShowsCells) {
    ScratchDir game;
    game.write("cells.bmp", threeCells());
    std::string sprites;
    for (int n = 1; n <= 4; ++n)
        sprites += "lsp " + std::to_string(n) + ",\":c;>10,10,#ffffff\"," + std::to_string(n * 20) +
                   ",20\n";
    auto run =
        playGame(game, test::gameScript(BG_LINE + sprites +
                                        "lsph 5,\":c/3,0,3;cells.bmp\",200,20\n"
                                        "spstr \"C1-3P5,2\"\n"
                                        "spstr \"C995-2000P1500,1M7000,1,1S99,(none.wav)\"\n"
                                        "vsp 1000,1\nmsp 1000,1,1\namsp -3,1,1\ncell 2000,1\n"
                                        "vsp2 256,1\nmsp2 300,1,1,1,1,1\nspreload 1000\n" +
                                        shoot("shot.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto shot = screenshotOf(game, "shot.bmp");
    ASSERT_TRUE(shot);
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(shot->at(n * 20, 20), BG) << "sprite " << n;
    EXPECT_EQ(shot->at(80, 20), WHITE);
    EXPECT_EQ(shot->at(200, 20), rgb(0, 0, 255)) << "sprite 5 shows cell 2";
    EXPECT_EQ(shot->at(210, 20), BG);
}

TEST(SpriteCommandGameTest, VspWithTwoHidesTheSprite) {
    ScratchDir game;
    auto run = playGame(game, test::gameScript(BG_LINE +
                                               "lsp 1,\":c;>10,10,#ffffff\",20,20\n"
                                               "lsp 2,\":c;>10,10,#ffffff\",40,20\n"
                                               "vsp 1,2\nvsp 2,0\nvsp 2,1\n" +
                                               shoot("shot.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto shot = screenshotOf(game, "shot.bmp");
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->at(20, 20), BG);
    EXPECT_EQ(shot->at(40, 20), WHITE);
}

} // namespace
} // namespace velmora

namespace velmora {
namespace {

// The columns [first, last] in rows [y0, y1) where the shot differs from the background; -1 when
// none.
std::pair<int, int> inkColumns(const test::Bitmap& shot, int y0, int y1) {
    int first = -1, last = -1;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < shot.width; ++x)
            if (shot.at(x, y) != BG) {
                if (first < 0 || x < first) first = x;
                last = std::max(last, x);
            }
    return {first, last};
}

TEST(SpriteCommandGameTest, TextSpritesAndNumbersDrawInsideTheirPlace) {
    ScratchDir game;
    auto run = playGame(game, test::gameScript(BG_LINE +
                                               "strsp 0,\"AB\",100,100,10,2,24,24,0,0,0,0\n"
                                               "prnum 0,7,10,300,20,20,\"#ffffff\"\n"
                                               "prnum 1,1234,10,340,20,20,\"#ffff00\"\n"
                                               "prnum 100,5,10,380,20,20,\"#ffffff\"\n"
                                               "prnum 2,999,10,420,20,20,\"#ffffff\"\n"
                                               "lsp 6,\":s/20,20,0;#ff0000#00ff00AB\",400,450\n" +
                                               shoot("shot.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto shot = screenshotOf(game, "shot.bmp");
    ASSERT_TRUE(shot);
    // The text sprite's area is 10 x 2 cells of 24 pixels from (100, 100):
    // its text shows there and nowhere else above the numbers.
    bool inked = false;
    expectRegion(*shot, 0, 0, 640, 290, [&](int x, int y) {
        const bool inside = x >= 100 && x < 340 && y >= 100 && y < 148;
        if (inside && shot->at(x, y) != BG) inked = true;
        return inside ? shot->at(x, y) : BG;
    });
    EXPECT_TRUE(inked);
    // Numbers are right-aligned in three half-width columns of 10 pixels from x = 10.
    const auto seven = inkColumns(*shot, 300, 320);
    EXPECT_GE(seven.first, 30) << "two leading spaces";
    EXPECT_LE(seven.second, 41);
    const auto cut = inkColumns(*shot, 340, 360);
    EXPECT_LT(cut.first, 20);
    EXPECT_LT(cut.second, 45) << "1234 keeps only its leading three digits";
    bool yellow = false;
    for (int y = 340; y < 360; ++y)
        for (int x = 10; x < 45; ++x) yellow = yellow || shot->at(x, y) == rgb(255, 255, 0);
    EXPECT_TRUE(yellow);
    EXPECT_EQ(inkColumns(*shot, 370, 410).first, -1) << "number 100 is outside the slots";
    // A text picture loaded from a tag string shows its first cell, in the first colour.
    int red = 0, green = 0;
    for (int y = 440; y < 480; ++y)
        for (int x = 380; x < 640; ++x) {
            red += shot->at(x, y) == rgb(255, 0, 0);
            green += shot->at(x, y) == rgb(0, 255, 0);
        }
    EXPECT_GT(red, 0);
    EXPECT_EQ(green, 0);
    EXPECT_EQ(inkColumns(*shot, 440, 450).first, -1);
}

// Numbers at the ends of the integer range reach the size and matrix
// arithmetic of the text-sprite and drawing commands; the game must neither
// stop nor overflow (the sanitizer build turns an overflow into a crash).
TEST(SpriteCommandGameTest, ExtremeNumbersInDrawingCommandsAreHarmless) {
    ScratchDir game;
    game.write("cells.bmp", threeCells());
    auto run =
        playGame(game, test::gameScript(BG_LINE +
                                        "lsp 5,\":c/3,0,3;cells.bmp\",10,10\n"
                                        "strsp 1,\"abc\",0,0,2147483647,2147483647,20,20,0,0,0,0\n"
                                        "strsp 2,\"abc\",-2147483648,0,1,-2147483648,20,20,"
                                        "2147483647,2147483647,1,1\n"
                                        "drawsp3 5,0,255,0,0,-2147483648,-2147483648,1,1\n"
                                        "drawsp3 5,0,255,0,0,2147483647,-2147483648,"
                                        "-2147483648,2147483647\n"
                                        "btndef \"cells.bmp\"\n"
                                        "blt -2147483648,0,2147483647,-2147483648,"
                                        "2147483647,0,-2147483648,1\n"
                                        "blt 0,0,640,480,-2147483648,-2147483648,1,1\n"
                                        "repaint\n" +
                                        shoot("shot.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto shot = screenshotOf(game, "shot.bmp");
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->at(10, 10), rgb(255, 0, 0)) << "the layers compose as before";
}

} // namespace
} // namespace velmora
