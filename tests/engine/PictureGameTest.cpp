// Pictures on screen through the real program: sprites in every transparency
// mode, backgrounds, the layer order, sprite removal, broken picture files
// and shrunk screenshots, checked pixel by pixel in the saved screenshots.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScreenshotGame.h"

namespace velmora {
namespace {

using test::encodePng;
using test::expectRegion;
using test::gameScript;
using test::over;
using test::pixelsOf;
using test::playGame;
using test::rgb;
using test::Rgba;
using test::ScratchDir;
using test::screenshotOf;
using test::shoot;

using test::BG;
using test::BG_LINE;

uint32_t packed(Rgba c) {
    return rgb(c.r, c.g, c.b);
}

// A bitmap file (no alpha channel) of the given pixels, row by row.
std::string bitmapOf(int width, int height, const std::vector<Rgba>& pixels) {
    return test::bitmapOf(width, height, [&](int x, int y) {
        return packed(pixels[static_cast<size_t>(y) * width + x]);
    });
}

TEST(PictureGameTest, AlphaPngBlendsWithTheIntegerArithmetic) {
    ScratchDir game;
    const std::vector<Rgba> reds{
        {255, 0, 0, 255}, {255, 0, 0, 128}, {255, 0, 0, 0}, {255, 0, 0, 1}};
    game.write("red.png", encodePng(4, 1, reds));
    auto run = playGame(game, gameScript(BG_LINE +
                                         "lsp 0,\":a;red.png\",10,20\n"
                                         "lsp 1,\":a;red.png\",10,30,200\n" +
                                         shoot("shot.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto shot = screenshotOf(game, "shot.bmp");
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->at(10, 20), rgb(255, 0, 0));
    EXPECT_EQ(shot->at(11, 20), rgb(142, 32, 64));
    EXPECT_EQ(shot->at(12, 20), BG);
    EXPECT_EQ(shot->at(13, 20), BG);
    EXPECT_EQ(shot->at(14, 20), BG);
    EXPECT_EQ(shot->at(9, 20), BG);
    // The sprite's opacity scales every pixel's alpha, the opaque one included.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(shot->at(10 + i, 30), over(reds[i], BG, 200)) << i;
    EXPECT_EQ(shot->at(10, 30), rgb(205, 14, 28));
}

TEST(PictureGameTest, KeyedAndOpaqueSpritesDrawExactlyTheirPixels) {
    ScratchDir game;
    const Rgba green{0, 255, 0}, red{255, 0, 0}, white{255, 255, 255}, blue{0, 0, 255},
        yellow{255, 255, 0};
    const std::vector<Rgba> keys{green, red, white, blue, red, green, blue, yellow};
    game.write("keys.png", encodePng(4, 2, keys, false));
    auto run = playGame(game, gameScript(BG_LINE +
                                         "lsp 0,\":l;keys.png\",10,10\n"
                                         "lsp 1,\":r;keys.png\",20,10\n"
                                         "lsp 2,\":#ffffff;keys.png\",30,10\n"
                                         "lsp 3,\":c;keys.png\",40,10\n"
                                         "lsp 4,\"keys.png\",50,10\n" +
                                         shoot("shot.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto shot = screenshotOf(game, "shot.bmp");
    ASSERT_TRUE(shot);
    // Each sprite shows its pixels except those of its key colour; an untagged
    // name is keyed by its top-left pixel.
    const struct {
        int x;
        const Rgba* key;
    } sprites[] = {{10, &green}, {20, &blue}, {30, &white}, {40, nullptr}, {50, &green}};
    for (const auto& sprite : sprites) {
        SCOPED_TRACE(sprite.x);
        expectRegion(*shot, sprite.x - 1, 9, sprite.x + 5, 13, [&](int x, int y) {
            const int px = x - sprite.x, py = y - 10;
            if (px < 0 || px >= 4 || py < 0 || py >= 2) return BG;
            const uint32_t colour = packed(keys[static_cast<size_t>(py * 4 + px)]);
            return sprite.key && colour == packed(*sprite.key) ? BG : colour;
        });
    }
}

TEST(PictureGameTest, AlphaTagSplitsABitmapButNotAPng) {
    ScratchDir game;
    // Left half colours, right half the inverted grey mask: black is opaque.
    const std::vector<Rgba> halves{{255, 0, 0}, {10, 200, 30}, {0, 0, 0}, {128, 128, 128}};
    game.write("halves.bmp", bitmapOf(4, 1, halves));
    game.write("halves.png", encodePng(4, 1, halves, false));
    auto run = playGame(game, gameScript(BG_LINE +
                                         "lsp 0,\":a;halves.bmp\",10,10\n"
                                         "lsp 1,\":a;halves.png\",10,20\n" +
                                         shoot("shot.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto shot = screenshotOf(game, "shot.bmp");
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->at(10, 10), rgb(255, 0, 0));
    EXPECT_EQ(shot->at(11, 10), over(Rgba{10, 200, 30, 127}, BG));
    EXPECT_EQ(shot->at(12, 10), BG);
    EXPECT_EQ(shot->at(13, 10), BG);
    // A PNG counts as carrying its own alpha: all four pixels, opaque.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(shot->at(10 + i, 20), packed(halves[i])) << i;
    EXPECT_EQ(shot->at(14, 20), BG);
}

// Colours that tell every pixel of a picture up to 1024 x 1024 apart.
Rgba coordinateColour(int x, int y) {
    return Rgba{static_cast<uint8_t>(x & 0xff), static_cast<uint8_t>(y & 0xff),
                static_cast<uint8_t>(0x80 | x >> 8 | (y >> 8) << 2), 255};
}

TEST(PictureGameTest, BackgroundIsCentreCroppedOrCentredOnBlack) {
    ScratchDir game;
    game.write("big.png", encodePng(700, 500, pixelsOf(700, 500, coordinateColour)));
    game.write("small.png", encodePng(300, 200, pixelsOf(300, 200, coordinateColour)));
    auto run = playGame(game, gameScript("bg \"big.png\",1\n" + shoot("big.bmp") +
                                         "bg \"small.png\",1\n" + shoot("small.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto big = screenshotOf(game, "big.bmp");
    auto small = screenshotOf(game, "small.bmp");
    ASSERT_TRUE(big);
    ASSERT_TRUE(small);
    // (700 - 640) / 2 = 30 columns and (500 - 480) / 2 = 10 rows are cut on each side.
    expectRegion(*big, 0, 0, 640, 480,
                 [](int x, int y) { return packed(coordinateColour(x + 30, y + 10)); });
    // Placed at ((640 - 300) / 2, (480 - 200) / 2) = (170, 140).
    expectRegion(*small, 0, 0, 640, 480, [](int x, int y) {
        const bool inside = x >= 170 && x < 470 && y >= 140 && y < 340;
        return inside ? packed(coordinateColour(x - 170, y - 140)) : 0u;
    });
}

TEST(PictureGameTest, SpritesReachingPastTheScreenEdgesAreCut) {
    ScratchDir game;
    game.write("tile.png", encodePng(10, 10, pixelsOf(10, 10, coordinateColour)));
    auto run = playGame(game, gameScript(BG_LINE +
                                         "lsp 0,\":c;tile.png\",-4,-6\n"
                                         "lsp 1,\":c;tile.png\",633,475\n"
                                         "lsp 2,\":c;tile.png\",-20,100\n"
                                         "lsp 3,\":c;tile.png\",700,100\n" +
                                         shoot("shot.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto shot = screenshotOf(game, "shot.bmp");
    ASSERT_TRUE(shot);
    expectRegion(*shot, 0, 0, 10, 10, [](int x, int y) {
        return x < 6 && y < 4 ? packed(coordinateColour(x + 4, y + 6)) : BG;
    });
    expectRegion(*shot, 628, 470, 640, 480, [](int x, int y) {
        return x >= 633 && y >= 475 ? packed(coordinateColour(x - 633, y - 475)) : BG;
    });
    EXPECT_EQ(shot->at(0, 105), BG);
    EXPECT_EQ(shot->at(639, 105), BG);
}

TEST(PictureGameTest, HumanzSplitsSpritesAroundTheStandingPictures) {
    ScratchDir game;
    // The standing picture is 40 x 300, centred at x = 320 on the bottom edge:
    // columns 300-339, rows 180-479.
    auto run = playGame(game, gameScript(BG_LINE +
                                             "ld c,\":c;>40,300,#00ff00\",1\n"
                                             "lsp 11,\":c;>20,20,#ff0000\",290,200\n"
                                             "lsp 10,\":c;>20,20,#ffff00\",290,250\n"
                                             "lsp 9,\":c;>20,20,#0000ff\",290,300\n" +
                                             shoot("shot.bmp"),
                                         "humanz 10\n"));
    ASSERT_EQ(run.status, 0) << run.err;
    auto shot = screenshotOf(game, "shot.bmp");
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->at(295, 205), rgb(255, 0, 0));
    EXPECT_EQ(shot->at(305, 205), rgb(0, 255, 0));
    EXPECT_EQ(shot->at(305, 255), rgb(255, 255, 0));
    EXPECT_EQ(shot->at(305, 305), rgb(0, 0, 255));
    EXPECT_EQ(shot->at(320, 179), BG);
    EXPECT_EQ(shot->at(320, 180), rgb(0, 255, 0));
    EXPECT_EQ(shot->at(299, 400), BG);
    EXPECT_EQ(shot->at(339, 400), rgb(0, 255, 0));
    EXPECT_EQ(shot->at(340, 400), BG);
}

TEST(PictureGameTest, ChangesReachTheWindowOnlyThroughAnEffect) {
    ScratchDir game;
    auto run = playGame(game, gameScript(BG_LINE + "lsp 2,\":c;>4,4,#ffffff\",30,10\nprint 0\n"
                                                   "getscreenshot 640,480\n"
                                                   "savescreenshot \"unshown.bmp\"\n"
                                                   "print 10,300\n"
                                                   "getscreenshot 640,480\n"
                                                   "savescreenshot \"shown.bmp\"\n"));
    ASSERT_EQ(run.status, 0) << run.err;
    auto unshown = screenshotOf(game, "unshown.bmp");
    auto shown = screenshotOf(game, "shown.bmp");
    ASSERT_TRUE(unshown);
    ASSERT_TRUE(shown);
    EXPECT_EQ(unshown->at(31, 11), BG);
    // The damage left by effect 0 is still shown by the next effect.
    EXPECT_EQ(shown->at(31, 11), rgb(255, 255, 255));
}

TEST(PictureGameTest, ShrunkScreenshotKeepsItsCornersExact) {
    ScratchDir game;
    auto run = playGame(game, gameScript(BG_LINE +
                                         "lsp 0,\":c;>1,1,#ff0000\",0,0\n"
                                         "lsp 1,\":c;>1,1,#00ff00\",639,0\n"
                                         "lsp 2,\":c;>1,1,#0000ff\",0,479\n"
                                         "lsp 3,\":c;>1,1,#ffffff\",639,479\n" +
                                         shoot("shot.bmp", 64, 48)));
    ASSERT_EQ(run.status, 0) << run.err;
    auto shot = screenshotOf(game, "shot.bmp");
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->width, 64);
    ASSERT_EQ(shot->height, 48);
    EXPECT_EQ(shot->at(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(shot->at(63, 0), rgb(0, 255, 0));
    EXPECT_EQ(shot->at(0, 47), rgb(0, 0, 255));
    EXPECT_EQ(shot->at(63, 47), rgb(255, 255, 255));
    // Away from the corners the plain background survives the box filter.
    EXPECT_EQ(shot->at(32, 24), BG);
}

TEST(PictureGameTest, HiddenAndRemovedSpritesAreNotDrawn) {
    ScratchDir game;
    auto run = playGame(game, gameScript(BG_LINE +
                                         "lsp 1,\":c;>10,10,#ff0000\",10,10\n"
                                         "lsp 700,\":c;>10,10,#00ff00\",30,10\n"
                                         "lsph 2,\":c;>10,10,#ffffff\",50,10\n" +
                                         shoot("before.bmp") + "csp -1\n" + shoot("after.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto before = screenshotOf(game, "before.bmp");
    auto after = screenshotOf(game, "after.bmp");
    ASSERT_TRUE(before);
    ASSERT_TRUE(after);
    EXPECT_EQ(before->at(15, 15), rgb(255, 0, 0));
    EXPECT_EQ(before->at(35, 15), rgb(0, 255, 0));
    EXPECT_EQ(before->at(55, 15), BG);
    expectRegion(*after, 0, 0, 80, 30, [](int, int) { return BG; });
}

TEST(PictureGameTest, BrokenPictureFilesAreReportedAndSkipped) {
    ScratchDir game;
    const std::string png = encodePng(16, 16, pixelsOf(16, 16, [](int, int) {
                                          return Rgba{255, 0, 0, 255};
                                      }));
    game.write("cut.png", png.substr(0, png.size() / 2));
    game.write("bad.jpg",
               std::string("\xff\xd8\xff\xe0\x00\x10JFIF\x00", 11) + std::string(40, '\x5a'));
    game.write("cut.bmp", bitmapOf(16, 16, std::vector<Rgba>(256, Rgba{255, 0, 0})).substr(0, 30));
    // Twenty bytes claiming a picture of two gigabytes, and a GIF whose
    // comment runs past the end of the file, which hangs the image library.
    game.write("huge.ppm", "P3 16316\n43161\n255\n");
    game.write("endless.gif",
               std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00!\xFE\xC8", 16) + "abc");
    auto run =
        playGame(game, gameScript(BG_LINE +
                                  "lsp 0,\":c;cut.png\",10,10\n"
                                  "lsp 1,\":c;bad.jpg\",30,10\n"
                                  "lsp 2,\":c;cut.bmp\",50,10\n"
                                  "lsp 3,\":c;absent.png\",70,10\n"
                                  "lsp 4,\":c;>10,10,#ffffff\",90,10\n"
                                  "lsp 5,\":c;huge.ppm\",10,40\n"
                                  "lsp 6,\":c;endless.gif\",10,40\n" +
                                  shoot("shot.bmp") + "bg \"cut.png\",1\n" + shoot("black.bmp")));
    EXPECT_EQ(run.status, 0);
    for (const char* line :
         {" *** can't load file [cut.png] ***\n", " *** force-loading a JPG image [bad.jpg]\n",
          " *** can't load file [bad.jpg] ***\n", " *** can't load file [cut.bmp] ***\n",
          " *** can't find file [absent.png] ***\n", " *** can't load file [huge.ppm] ***\n",
          " *** can't load file [endless.gif] ***\n"})
        EXPECT_NE(run.err.find(line), std::string::npos) << line << " in:\n" << run.err;
    auto shot = screenshotOf(game, "shot.bmp");
    auto black = screenshotOf(game, "black.bmp");
    ASSERT_TRUE(shot);
    ASSERT_TRUE(black);
    expectRegion(*shot, 0, 0, 90, 30, [](int, int) { return BG; });
    EXPECT_EQ(shot->at(95, 15), rgb(255, 255, 255));
    // A background that cannot be loaded leaves the screen black; sprites stay.
    expectRegion(*black, 0, 0, 640, 480, [](int x, int y) {
        return x >= 90 && x < 100 && y >= 10 && y < 20 ? rgb(255, 255, 255) : 0u;
    });
}

TEST(PictureGameTest, PictureFileWrittenByTheGameIsReadAgain) {
    ScratchDir game;
    game.write("thumb.bmp", test::bitmapOf(8, 8, [](int, int) { return 0xff0000u; }));
    // Sprite 0 reads the red thumbnail; the game then overwrites the file with
    // a shot of a green screen and shows the file again as sprite 1.
    auto run = playGame(game, gameScript("lsp 0,\":c;thumb.bmp\",300,200\nvsp 0,0\n"
                                         "bg #00ff00,1\n" +
                                         shoot("thumb.bmp", 8, 8) + BG_LINE +
                                         "lsp 1,\":c;thumb.bmp\",100,100\n" + shoot("shot.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto shot = screenshotOf(game, "shot.bmp");
    ASSERT_TRUE(shot);
    expectRegion(*shot, 96, 96, 112, 112, [](int x, int y) {
        return x >= 100 && x < 108 && y >= 100 && y < 108 ? rgb(0, 255, 0) : BG;
    });
}

TEST(PictureGameTest, SpriteRetaggedWithTheSameFileIsDecodedAgain) {
    ScratchDir game;
    const Rgba red{255, 0, 0}, blue{0, 0, 255}, green{0, 255, 0};
    game.write("t.bmp", bitmapOf(4, 1, {red, blue, blue, green}));
    const uint32_t r = packed(red), b = packed(blue), g = packed(green);
    // Each sprite is shown with one tag and then again with another tag on
    // the same file; the second tag alone must decide the pixels.
    struct Case {
        const char* first;
        const char* second;
        std::vector<uint32_t> row; // the five pixels from the sprite's left edge
    };
    const std::vector<Case> cases{
        {":c;t.bmp", ":l;t.bmp", {BG, b, b, g, BG}},              // top-left pixel keyed out
        {":#ff0000;t.bmp", ":#0000ff;t.bmp", {r, BG, BG, g, BG}}, // another key colour
        {":c/2,100,3;t.bmp", ":c;t.bmp", {r, b, b, g, BG}},       // one cell, not two
    };
    std::string script = BG_LINE;
    for (size_t i = 0; i < cases.size(); ++i) {
        const std::string place = "," + std::to_string(10 + 10 * i) + "\n";
        script += "lsp " + std::to_string(i) + ",\"" + cases[i].first + "\",10" + place;
        script += "print 1\n";
        script += "lsp " + std::to_string(i) + ",\"" + cases[i].second + "\",10" + place;
    }
    auto run = playGame(game, gameScript(script + shoot("shot.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto shot = screenshotOf(game, "shot.bmp");
    ASSERT_TRUE(shot);
    for (size_t i = 0; i < cases.size(); ++i)
        for (size_t x = 0; x < cases[i].row.size(); ++x)
            EXPECT_EQ(shot->at(10 + static_cast<int>(x), 10 + 10 * static_cast<int>(i)),
                      cases[i].row[x])
                << cases[i].second << " pixel " << x;
}

TEST(PictureGameTest, NegativeAndGreyFiltersRecolourTheScreen) {
    ScratchDir game;
    auto run = playGame(game, gameScript(BG_LINE + "nega 1\n" + shoot("nega.bmp") +
                                         "nega 0\nmonocro \"#ff8000\"\n" + shoot("grey.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    auto nega = screenshotOf(game, "nega.bmp");
    auto grey = screenshotOf(game, "grey.bmp");
    ASSERT_TRUE(nega);
    ASSERT_TRUE(grey);
    EXPECT_EQ(nega->at(100, 100), rgb(0xdf, 0xbf, 0x7f));
    // Grey level (77 x 32 + 151 x 64 + 28 x 128) >> 8 = 61, tinted by the colour.
    EXPECT_EQ(grey->at(100, 100), rgb(61 * 255 >> 8, 61 * 128 >> 8, 0));
}

} // namespace
} // namespace velmora
