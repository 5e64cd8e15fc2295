// Whole games run by the real program: the define section, dispatch of
// commands, falling from label to label and the end of the script.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "BitmapReader.h"
#include "TestSupport.h"

namespace velmora {
namespace {

using test::runEngine;
using test::RunResult;
using test::ScratchDir;
using test::startupLines;

const std::string VERSION_LINE = "Velmora version 20131223(2.96)\n";

std::string unsupported(const std::string& name) {
    return " command [" + name + "] is not supported yet!!\n";
}

// A picture file decoded to 0xAARRGGBB pixels, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t at(int x, int y) const { return pixels.at(static_cast<size_t>(y) * width + x); }
};

std::optional<Picture> loadPicture(const std::filesystem::path& path) {
    SDL_Surface* surface = IMG_Load(path.c_str());
    if (!surface) return std::nullopt;
    Picture picture{surface->w, surface->h, {}};
    const int bytes = surface->format->BytesPerPixel;
    for (int y = 0; y < surface->h; ++y)
        for (int x = 0; x < surface->w; ++x) {
            uint32_t value = 0;
            std::memcpy(&value,
                        static_cast<uint8_t*>(surface->pixels) + y * surface->pitch + x * bytes,
                        static_cast<size_t>(bytes));
            uint8_t r, g, b, a;
            SDL_GetRGBA(value, surface->format, &r, &g, &b, &a);
            picture.pixels.push_back(uint32_t{a} << 24 | test::rgb(r, g, b));
        }
    SDL_FreeSurface(surface);
    return picture;
}

// A standing picture and the screen position of its top-left corner.
struct Placed {
    const Picture* picture;
    int left;
    int top;
};

// A rectangle of the screen.
struct Area {
    int x = 0;
    int y = 0;
    int w = 640;
    int h = 480;
};

Area areaOf(const Placed& placed) {
    return {placed.left, placed.top, placed.picture->width, placed.picture->height};
}

// The first pixel inside `area` of `shot` that does not show what the screen
// should: a standing picture's colour where it is opaque, the
// background where it is transparent or absent. Pixels of partial opacity are
// not compared. Empty when every pixel matches and each standing picture
// showed at least a thousand opaque pixels unlike the background.
std::string mismatch(const test::Bitmap& shot, const Picture& background,
                     const std::vector<Placed>& standing, Area area = {}) {
    std::vector<int> shown(standing.size(), 0);
    for (int y = area.y; y < area.y + area.h; ++y)
        for (int x = area.x; x < area.x + area.w; ++x) {
            const uint32_t behind = background.at(x, y) & 0xffffff;
            uint32_t expected = behind;
            bool blended = false;
            for (size_t i = 0; i < standing.size(); ++i) {
                const Placed& placed = standing[i];
                const int px = x - placed.left, py = y - placed.top;
                if (px < 0 || py < 0 || px >= placed.picture->width || py >= placed.picture->height)
                    continue;
                const uint32_t pixel = placed.picture->at(px, py);
                const uint32_t alpha = pixel >> 24;
                if (alpha == 255) {
                    expected = pixel & 0xffffff;
                    shown[i] += expected != behind;
                }
                blended = blended || (alpha != 0 && alpha != 255);
            }
            if (!blended && shot.at(x, y) != expected) {
                std::ostringstream text;
                text << "pixel (" << x << ", " << y << ") is " << std::hex << shot.at(x, y)
                     << ", expected " << expected;
                return text.str();
            }
        }
    for (size_t i = 0; i < standing.size(); ++i)
        if (shown[i] < 1000)
            return "standing picture " + std::to_string(i) + " shows only " +
                   std::to_string(shown[i]) + " pixels";
    return "";
}

class ExecutionLoopTest : public ::testing::Test {
  protected:
    // Runs `script` as the game's 0.txt.
    RunResult play(const std::string& script) {
        game.write("0.txt", script);
        return runEngine({"-r", game.path().string()}, game.path());
    }

    ScratchDir game;
};

TEST_F(ExecutionLoopTest, DirectoryWithoutScriptStops) {
    RunResult result = runEngine({"-r", game.path().string()}, game.path());
    EXPECT_EQ(result.status, 255);
    EXPECT_NE(result.err.find("can't open any of 0.txt, 00.txt, vlscene.dat and vlscene.___"),
              std::string::npos)
        << result.err;
}

TEST_F(ExecutionLoopTest, ScriptWithoutDefineLabelStops) {
    RunResult result = play("*start\nend\n");
    EXPECT_EQ(result.status, 255);
    EXPECT_NE(result.err.find("Label \"define\" is not found."), std::string::npos) << result.err;
}

TEST_F(ExecutionLoopTest, DefineSectionCommandsThenGameRunToEnd) {
    RunResult result = play(";$V2000G100S800,600\n"
                            "*define\n"
                            "numalias heroine,10\n"
                            "stralias title,\"Evening\"\n"
                            "dim ?0[3][2]\n"
                            "intlimit heroine,0,100\n"
                            "game\n"
                            "*start\n"
                            "end\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, VERSION_LINE + startupLines(800, 600));
    EXPECT_EQ(result.err, "");
}

TEST_F(ExecutionLoopTest, TextInDefineSectionIsAParseError) {
    RunResult result = play("*define\n12 apples\ngame\n*start\nend\n");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.err,
              " *** Parse error at define:1 [text cannot be displayed in define section.] ***\n");
}

TEST_F(ExecutionLoopTest, TextInTheGameIsShownAndItsClickWaitWaits) {
    game.write("0.txt", "*define\ngame\n*start\n12 apples\n`one byte text@\nend\nafter\n");
    game.write("input.txt", "idle click\n");
    RunResult result = runEngine({"-r", game.path().string()}, game.path(), 30,
                                 {"VELMORA_INPUT=" + (game.path() / "input.txt").string()});
    EXPECT_EQ(result.status, 0);
    // One wait at the '@', ended by the one click; `end` comes before another wait.
    EXPECT_EQ(result.err, "[input] line 1 mode=0x12c\n");
}

TEST_F(ExecutionLoopTest, CommentsAndStatementsOnLabelLinesAreHandled) {
    RunResult result = play("; a header that sets nothing\n"
                            "*define ; the define section\n"
                            "game ; leave it\n"
                            "*start : foo\n"
                            "end\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, unsupported("foo"));
}

TEST_F(ExecutionLoopTest, LabelFallsThroughIntoTheNext) {
    RunResult result = play("*define\ngame\n*start\nfoo\n*second\nquux\nend\nbaz\n*third\nqux\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, unsupported("foo") + unsupported("quux"));
}

TEST_F(ExecutionLoopTest, EndOfTheLastLabelEndsTheGame) {
    RunResult result = play("*define\ngame\n*start\nfoo\n*last\nquux\n\n\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, unsupported("foo") + unsupported("quux") + " ***** End *****\n");
}

TEST_F(ExecutionLoopTest, DefineSectionFallsThroughWithoutGame) {
    RunResult result = play("*define\nfoo\n*start\nquux\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, unsupported("foo") + unsupported("quux") + " ***** End *****\n");
}

TEST_F(ExecutionLoopTest, UnknownCommandSkipsOnlyItsStatement) {
    RunResult result = play("*define\nfoo 1, \"a:b\" : game\n*start\nquux x;y\nbaz : end\nqux\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, unsupported("foo") + unsupported("quux") + unsupported("baz"));
}

TEST_F(ExecutionLoopTest, UnderscoreReachesTheBuiltInCommand) {
    RunResult result = play("*define\n_game\n*start\n_end\nqux\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
}

TEST_F(ExecutionLoopTest, CommandNamesAreWholeWords) {
    RunResult result = play("*define\ngamex\ngame\n*start\nend_\nEND\nqux\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, unsupported("gamex") + unsupported("end_"));
}

// A v or dv token plays a sound (silent here: the files are missing); a
// letter run that only starts like one is still an unknown command.
TEST_F(ExecutionLoopTest, VoiceShortcutsAreSoundsNotUnknownCommands) {
    RunResult result = play("*define\ngame\n*start\nv12\ndv12\nvx\nend\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, unsupported("vx"));
}

TEST_F(ExecutionLoopTest, GameOutsideTheDefineSectionIsAParseError) {
    RunResult result = play("*define\ngame\n*start\n\ngame\nend\n");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.err, " *** Parse error at start:2 [game: not in the define section] ***\n");
}

TEST_F(ExecutionLoopTest, DefineCommandOutsideTheDefineSectionIsAParseError) {
    RunResult result = play("*define\ngame\n*start\nnumalias late,1\nend\n");
    EXPECT_EQ(result.status, 255);
    EXPECT_NE(result.err.find("numalias: numalias: not in the define section"), std::string::npos)
        << result.err;
}

// The demo's own script, pictures, sounds and scripted clicks in a scratch
// copy: it runs to its end, its screenshots show the background and the
// standing pictures where each scene put them, and the story text is drawn in
// its window without touching the rest of the screen.
TEST_F(ExecutionLoopTest, DemoGameRunsToItsEnd) {
    namespace fs = std::filesystem;
    const fs::path source = fs::path(__FILE__).parent_path() / "../../examples/demo";
    ASSERT_TRUE(fs::is_regular_file(source / "0.txt")) << source;
    fs::copy_file(source / "0.txt", game.path() / "0.txt");
    for (const auto& entry : fs::directory_iterator(VELMORA_DEMO_PICTURES))
        fs::copy_file(entry.path(), game.path() / entry.path().filename());
    fs::copy(VELMORA_DEMO_SOUNDS, game.path(), fs::copy_options::recursive);
    fs::copy(VELMORA_DEMO_MOVIES, game.path(), fs::copy_options::recursive);
    fs::copy_file(source / "autoplay.txt", game.path() / "autoplay.txt");
    fs::create_directory(game.path() / "screenshots");
    fs::create_directory(game.path() / "sav"); // where the slot's header-less copy goes

    RunResult result = runEngine({"-r", game.path().string()}, game.path(), 30,
                                 {"VELMORA_INPUT=" + (game.path() / "autoplay.txt").string()});
    EXPECT_EQ(result.status, 0);
    // The last scene leaves through the breakup effect, which names its DLL;
    // then the game loads the save of its last page.
    EXPECT_EQ(result.out, VERSION_LINE + startupLines() +
                              "dll effect: Got dll 'breakup.dll'\nSave file version is 2.8\n");
    // Text waits and choices each ended by one click; the menu, the save and
    // load menus, their questions and lookback wait for buttons. The game
    // ends through the menu's Quit.
    std::string clicks;
    for (int line : {5,  7,  8,  9,  10, 12, 13, 14, 15, 18, 19, 20, 21, 22, 23, 24, 25, 27,
                     28, 29, 30, 32, 36, 38, 40, 42, 43, 46, 48, 49, 50, 51, 52, 55, 56, 57}) {
        const bool choice = line == 18 || line == 22;
        const bool text_wait = line <= 38 || line == 46 || line == 49 || line == 55;
        clicks += "[input] line " + std::to_string(line) +
                  (choice      ? " mode=0x122\n"
                   : text_wait ? " mode=0x12c\n"
                               : " mode=0x2\n");
    }
    EXPECT_EQ(result.err, clicks);
    // The lighthouse way turns the scene blue; the boats way lights a second lantern.
    std::optional<test::Bitmap> lighthouse =
        test::readBitmap24(game.read("screenshots/lighthouse.bmp"));
    ASSERT_TRUE(lighthouse);
    for (uint32_t pixel : lighthouse->pixels)
        ASSERT_TRUE((pixel >> 16 & 0xff) <= (pixel >> 8 & 0xff) &&
                    (pixel >> 8 & 0xff) <= (pixel & 0xff));
    EXPECT_TRUE(test::readBitmap24(game.read("screenshots/boats.bmp")));

    std::optional<Picture> harbour = loadPicture(game.path() / "harbour.png");
    std::optional<Picture> night = loadPicture(game.path() / "night.png");
    std::optional<Picture> mira = loadPicture(game.path() / "mira.png");
    std::optional<Picture> tomas = loadPicture(game.path() / "tomas.png");
    ASSERT_TRUE(harbour && night && mira && tomas);
    ASSERT_EQ(harbour->width, 640);
    ASSERT_EQ(harbour->height, 480);
    std::optional<test::Bitmap> shots[3];
    for (int i = 0; i < 3; ++i) {
        std::string name = "screenshots/scene" + std::to_string(i + 1) + ".bmp";
        shots[i] = test::readBitmap24(game.read(name));
        ASSERT_TRUE(shots[i]) << name << " is missing or not a 24-bit bitmap";
        ASSERT_EQ(shots[i]->width, 640) << name;
        ASSERT_EQ(shots[i]->height, 480) << name;
    }
    // Standing pictures are centred on their quarter of the screen and stand
    // on its bottom edge.
    const Placed left{&*mira, 160 - mira->width / 2, 480 - mira->height};
    const Placed right{&*tomas, 480 - tomas->width / 2, 480 - tomas->height};
    // The sky above the gull shows the background alone.
    EXPECT_EQ(mismatch(*shots[0], *harbour, {}, {0, 0, 640, 60}), "");
    EXPECT_EQ(mismatch(*shots[0], *harbour, {left}, areaOf(left)), "");
    EXPECT_EQ(mismatch(*shots[1], *harbour, {left}, areaOf(left)), "");
    EXPECT_EQ(mismatch(*shots[1], *harbour, {right}, areaOf(right)), "");
    // The last scene clears the standing pictures and the sprites, at night.
    EXPECT_EQ(mismatch(*shots[2], *night, {}), "");

    // At the first click wait the text window covers the bottom of the screen
    // and leaves everything above it as the scene showed it.
    std::optional<test::Bitmap> text = test::readBitmap24(game.read("screenshots/text1.bmp"));
    ASSERT_TRUE(text);
    int changed_above = 0, changed_inside = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const bool differs = text->at(x, y) != shots[0]->at(x, y);
            if (y < 316) changed_above += differs;
            if (y >= 316 && y <= 463 && x >= 20 && x <= 619) changed_inside += differs;
        }
    EXPECT_EQ(changed_above, 0);
    EXPECT_GT(changed_inside, 600 * 140 / 2);
    for (int i = 2; i <= 5; ++i)
        EXPECT_TRUE(test::readBitmap24(game.read("screenshots/text" + std::to_string(i) + ".bmp")))
            << i;
    // The loaded game shows the saved page as it was, in its window.
    const std::optional<test::Bitmap> saved =
        test::readBitmap24(game.read("screenshots/text5.bmp"));
    const std::optional<test::Bitmap> loaded =
        test::readBitmap24(game.read("screenshots/text6.bmp"));
    ASSERT_TRUE(saved && loaded);
    int32_t differing = 0;
    for (int y = 20; y < 311; ++y)
        for (int x = 400; x < 620; ++x) differing += saved->at(x, y) != loaded->at(x, y);
    EXPECT_EQ(differing, 0);
}

} // namespace
} // namespace velmora
