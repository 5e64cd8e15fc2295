// Starting a game: the window takes its size from the script header, and the
// story font must open before the game can run.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ScreenshotGame.h"

namespace velmora {
namespace {

using test::gameScript;
using test::playGame;
using test::rgb;
using test::runEngine;
using test::ScratchDir;
using test::screenshotOf;
using test::shoot;
using test::startupLines;

const std::string VERSION_LINE = "Velmora version 20131223(2.96)\n";

TEST(StartupGameTest, ModeHeaderOpensAnEightHundredWindow) {
    ScratchDir game;
    auto run = playGame(game, ";mode800\n" + gameScript(""));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, VERSION_LINE + startupLines(800, 600));
}

TEST(StartupGameTest, ScreenSizeHeaderSizesTheWindowItself) {
    ScratchDir game;
    // A one-pixel sprite in the bottom-right corner is only on screen when the
    // window really is 1024 x 768, not a smaller one stretched by the screenshot.
    auto run = playGame(game, ";$S1024,768\n" +
                                  gameScript("bg #204080,1\nlsp 0,\":c;>1,1,#ff0000\",1023,767\n" +
                                             shoot("shot.bmp", 1024, 768)));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, VERSION_LINE + startupLines(1024, 768));
    auto shot = screenshotOf(game, "shot.bmp");
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->width, 1024);
    EXPECT_EQ(shot->height, 768);
    EXPECT_EQ(shot->at(1023, 767), rgb(255, 0, 0));
    EXPECT_EQ(shot->at(1022, 767), rgb(0x20, 0x40, 0x80));
    EXPECT_EQ(shot->at(0, 0), rgb(0x20, 0x40, 0x80));
}

TEST(StartupGameTest, UnusableScreenSizeWarnsAndStartsAtTheDefault) {
    ScratchDir game;
    auto run = playGame(game, ";$S0,480\n" + gameScript(""));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, VERSION_LINE + startupLines(640, 480));
    EXPECT_NE(run.err.find("not a usable size"), std::string::npos) << run.err;
}

TEST(StartupGameTest, MissingAudioDriverLeavesTheGameSilent) {
    ScratchDir game;
    game.write("0.txt", gameScript("bg #204080,1\n" + shoot("shot.bmp")));
    auto run =
        runEngine({"-r", game.path().string()}, game.path(), 30, {"SDL_AUDIODRIVER=nosuchdriver"});
    EXPECT_EQ(run.status, 0) << run.err;
    // The window opens as always; only the audio line is missing.
    EXPECT_EQ(run.out, VERSION_LINE + "Display: 640 x 480 (32 bpp)\n");
    const std::string reason = "Couldn't open audio device!\n  reason: [";
    EXPECT_EQ(run.err.substr(0, reason.size()), reason) << run.err;
    EXPECT_EQ(run.err.substr(run.err.size() - 3), "].\n") << run.err;
    auto shot = screenshotOf(game, "shot.bmp");
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->at(0, 0), rgb(0x20, 0x40, 0x80));
}

TEST(StartupGameTest, FontIsDefaultTtfInTheGameDirectoryElseTheSystemFont) {
    ScratchDir game;
    game.write("0.txt", gameScript(""));

    // A game without default.ttf is drawn with the system font.
    ScratchDir elsewhere;
    auto fallback = runEngine({"-r", game.path().string()}, elsewhere.path(), 30, {}, false);
    EXPECT_EQ(fallback.status, 0) << fallback.err;
    EXPECT_EQ(fallback.err.find("can't open font file"), std::string::npos) << fallback.err;

    // The game's own default.ttf comes first, even when it is no font: from the
    // game directory without -r (empty archive path) and from elsewhere with it.
    game.write("default.ttf", "not a font");
    auto here = runEngine({}, game.path(), 30, {}, false);
    EXPECT_EQ(here.status, 255);
    EXPECT_NE(here.err.find("can't open font file: default.ttf\n"), std::string::npos) << here.err;
    auto rooted = runEngine({"-r", game.path().string()}, elsewhere.path(), 30, {}, false);
    EXPECT_EQ(rooted.status, 255);
    EXPECT_NE(rooted.err.find("can't open font file: " + game.path().string() + "/default.ttf\n"),
              std::string::npos)
        << rooted.err;
}

TEST(StartupGameTest, FontOptionNamesTheFontFile) {
    ScratchDir game;
    game.write("0.txt", gameScript(""));
    auto given = runEngine({"-f", test::TEST_FONT_PATH, "-r", game.path().string()}, game.path(),
                           30, {}, false);
    EXPECT_EQ(given.status, 0) << given.err;
    EXPECT_EQ(given.out, VERSION_LINE + startupLines());

    const std::string missing = (game.path() / "nowhere.ttf").string();
    auto absent =
        runEngine({"-f", missing, "-r", game.path().string()}, game.path(), 30, {}, false);
    EXPECT_EQ(absent.status, 255);
    EXPECT_NE(absent.err.find("can't open font file: " + missing + "\n"), std::string::npos)
        << absent.err;
}

} // namespace
} // namespace velmora
