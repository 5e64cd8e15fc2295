// Window scaling played through the real program: the window the media layer
// opens, the setting kept for the next run, and mouse positions that reach the
// script in screen pixels whatever the window's size.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "BitmapReader.h"
#include "TestSupport.h"

namespace velmora {
namespace {

using test::globalValues;
using test::runEngine;
using test::ScratchDir;
using test::startupLines;

const std::string VERSION_LINE = "Velmora version 20131223(2.96)\n";
// Waits for a click, then stores where the mouse was.
const std::string CLICK_GAME =
    ";$V10G0\n*define\nglobalon\ngame\n*start\nclick\ngetmousepos %0,%1\nend\n";

std::string scaledStartup(const std::string& window_line) {
    const std::string lines = startupLines();
    const size_t audio = lines.find("Audio:");
    return lines.substr(0, audio) + window_line + lines.substr(audio);
}

TEST(WindowScalingGameTest, ScaleEnlargesTheWindowOnlyAndIsKeptForTheNextRuns) {
    ScratchDir game;
    game.write("0.txt", CLICK_GAME);
    game.write("input.txt", "idle shot shot.bmp\nidle click 300 200\n");
    const std::vector<std::string> env = {"VELMORA_INPUT=" + (game.path() / "input.txt").string()};
    auto play = [&](std::vector<std::string> options) {
        options.insert(options.end(), {"-r", game.path().string()});
        return runEngine(options, game.path(), 30, env);
    };

    const std::string doubled = "Window: 1280 x 960 (scaled 2x, sharp)\n";
    auto result = play({"--scale", "2", "--scale-filter", "sharp"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, VERSION_LINE + scaledStartup(doubled));
    EXPECT_EQ(game.read("settings.txt"), "scale = 2\nscale-filter = sharp\n");
    // The engine draws at the screen's size; only the window is larger.
    const auto shot = test::readBitmap24(game.read("shot.bmp"));
    ASSERT_TRUE(shot.has_value());
    EXPECT_EQ(shot->width, 640);
    EXPECT_EQ(shot->height, 480);
    EXPECT_EQ(globalValues(game, 2), (std::vector<int32_t>{300, 200}));

    // Without the option the saved choice is used; a bad value changes nothing.
    result = play({"--scale", "9"});
    EXPECT_EQ(result.out,
              VERSION_LINE + " bad value 9 for --scale (1 to 8)\n" + scaledStartup(doubled));
    game.write("settings.txt", "scale = 3\nwho knows\nscale-filter = fuzzy\nlater = 1\n");
    result = play({});
    EXPECT_EQ(result.out, VERSION_LINE + scaledStartup("Window: 1920 x 1440 (scaled 3x)\n"));

    // Back to 1: the start prints exactly what an unscaled start prints.
    result = play({"--scale", "1"});
    EXPECT_EQ(result.out, VERSION_LINE + startupLines());
    EXPECT_EQ(game.read("settings.txt"), "scale = 1\nscale-filter = fuzzy\nlater = 1\n");
}

// The dummy video driver hands back mouse positions untouched, so where a
// click in the scaled window lands is measured on a virtual X display: at
// window pixel (600, 400) of the doubled window, and in full screen, where
// the picture is letterboxed (1920 x 1080 shows 640 x 480 at 2.25 times, with
// 240 pixels of bar on either side). With no window manager there, the
// full-screen window keeps its first size on the display while the layer maps
// positions as for the whole screen, so the points lie within that size.
TEST(WindowScalingGameTest, ClicksInTheScaledWindowReachTheScriptInScreenPixels) {
    if (std::system("command -v xvfb-run xdotool > /dev/null") != 0)
        GTEST_SKIP() << "xvfb-run and xdotool are needed (scripts/install-deps)";
    const struct {
        const char* options;
        const char* pointer; // where xdotool moves the pointer
        int x, y;
    } cases[] = {
        {"--scale 2 --window", "--window %1 600 400", 300, 200},
        {"--scale 2 --fullscreen", "--window %1 465 225", 100, 100},
        // In a bar, a click counts at the nearest edge of the picture.
        {"--scale 2 --fullscreen", "--window %1 100 450", 0, 200},
    };
    for (const auto& c : cases) {
        ScratchDir game;
        game.write("0.txt", CLICK_GAME);
        const std::string command =
            "cd '" + game.path().string() + "' && SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy " +
            "timeout 30 xvfb-run -a -s '-screen 0 1920x1080x24' sh -c '" + VELMORA_BINARY + " -f " +
            test::TEST_FONT_PATH + " -r . " + c.options +
            " > out.txt 2>&1 & xdotool search --sync --onlyvisible --name Velmora "
            "sleep 0.5 mousemove " +
            c.pointer + " sleep 0.2 click 1; wait $!'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command << "\n" << game.read("out.txt");
        EXPECT_EQ(globalValues(game, 2), (std::vector<int32_t>{c.x, c.y})) << c.options;
    }
}

} // namespace
} // namespace velmora
