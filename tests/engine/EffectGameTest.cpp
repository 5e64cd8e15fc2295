// Transition effects through the real program: every effect type ends on
// exactly the new picture, the substitute crossfade and the effect-number
// messages, effects that must last, effects without length, and shakes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScreenshotGame.h"

namespace velmora {
namespace {

using test::encodePng;
using test::expectRegion;
using test::gameScript;
using test::pixelsOf;
using test::playGame;
using test::rgb;
using test::Rgba;
using test::ScratchDir;
using test::screenshotOf;

// Two busy backgrounds: a shifted, scrolled or half-blended frame left on
// screen would differ from both almost everywhere.
Rgba pictureA(int x, int y) {
    return {static_cast<uint8_t>(x & 0xff), static_cast<uint8_t>(y & 0xff),
            static_cast<uint8_t>((x + y) * 3 & 0xff)};
}
Rgba pictureB(int x, int y) {
    return {static_cast<uint8_t>(255 - (y & 0xff)), static_cast<uint8_t>(x * 5 & 0xff),
            static_cast<uint8_t>(x ^ y)};
}
uint32_t packed(Rgba c) {
    return rgb(c.r, c.g, c.b);
}

std::string shot(const std::string& name) {
    return "getscreenshot 640,480\nsavescreenshot \"" + name + "\"\n";
}

// The screenshot file of the i-th effect.
std::string shotName(size_t i) {
    std::string name = std::to_string(i);
    name.insert(0, 1, 's');
    name.append(".bmp");
    return name;
}

void writePictures(const ScratchDir& game) {
    game.write("a.png", encodePng(640, 480, pixelsOf(640, 480, pictureA), false));
    game.write("b.png", encodePng(640, 480, pixelsOf(640, 480, pictureB), false));
    game.write("mask.png", encodePng(50, 30,
                                     pixelsOf(50, 30,
                                              [](int x, int y) {
                                                  const uint8_t c = static_cast<uint8_t>(x * 5 + y);
                                                  return Rgba{c, c, c};
                                              }),
                                     false));
}

TEST(EffectGameTest, EveryEffectTypeEndsOnExactlyTheNewPicture) {
    ScratchDir game;
    writePictures(game);
    const std::vector<std::string> effects{"2,120",
                                           "3,120",
                                           "4,120",
                                           "5,120",
                                           "6,120",
                                           "7,120",
                                           "8,120",
                                           "9,120",
                                           "10,120",
                                           "11,120",
                                           "12,120",
                                           "13,120",
                                           "14,120",
                                           "15,120,\"mask.png\"",
                                           "16,120",
                                           "17,120",
                                           "18,120,\"mask.png\"",
                                           "99,120,\"breakup.dll\"",
                                           "99,120,\"breakup.dll/llp\"",
                                           "99,120,\"breakup.dll/lLP\""};
    std::string start = "bg \"b.png\",1\n";
    for (size_t i = 0; i < effects.size(); ++i)
        start += std::string("bg \"") + (i % 2 ? "b" : "a") + ".png\"," + effects[i] + "\n" +
                 shot(shotName(i));
    auto run = playGame(game, gameScript(start));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("dll effect: Got dll 'breakup.dll/llp'"), std::string::npos);
    EXPECT_EQ(run.out.find("not implemented"), std::string::npos) << run.out;
    for (size_t i = 0; i < effects.size(); ++i) {
        SCOPED_TRACE(effects[i]);
        auto picture = screenshotOf(game, shotName(i));
        ASSERT_TRUE(picture);
        expectRegion(*picture, 0, 0, 640, 480,
                     [&](int x, int y) { return packed(i % 2 ? pictureB(x, y) : pictureA(x, y)); });
    }
}

TEST(EffectGameTest, UnknownTypesAndDllsAreCrossfadesAnnouncedOnce) {
    ScratchDir game;
    writePictures(game);
    auto run = playGame(game, gameScript("bg \"a.png\",20,200\n" + shot("s.bmp") +
                                         "bg \"b.png\",99,100,\"fancy.dll\"\n"));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string message = "effect No. 20 not implemented; substituting crossfade\n";
    const size_t first = run.out.find(message);
    ASSERT_NE(first, std::string::npos) << run.out;
    EXPECT_EQ(run.out.find(message, first + 1), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("dll effect: Got dll 'fancy.dll'\n"
                           "effect No. 99 not implemented; substituting crossfade\n"),
              std::string::npos)
        << run.out;
    auto picture = screenshotOf(game, "s.bmp");
    ASSERT_TRUE(picture);
    expectRegion(*picture, 0, 0, 640, 480, [](int x, int y) { return packed(pictureA(x, y)); });
}

TEST(EffectGameTest, EffectNumbersThatCannotRunAreReported) {
    ScratchDir game;
    auto missing = playGame(game, gameScript("print 10\n"));
    EXPECT_EQ(missing.status, 255);
    EXPECT_NE(missing.err.find("Effect No. 10 is not found.\n"), std::string::npos) << missing.err;

    auto out_of_range = playGame(game, gameScript("print 300\nmov %0,1\n"));
    EXPECT_EQ(out_of_range.status, 0) << out_of_range.err;
    EXPECT_NE(out_of_range.err.find("Effect 300 is out of range and is switched to 0.\n"),
              std::string::npos)
        << out_of_range.err;
}

class EffectTimingGameTest : public ::testing::Test {
  protected:
    // Plays `start` with globals saved; variables 0-9 come back from gloval.sav.
    test::RunResult play(const std::string& start, const std::string& define = "") {
        game.write("0.txt",
                   ";$V10G0\n*define\nglobalon\n" + define + "game\n*start\n" + start + "end\n");
        return test::runEngine({"-r", game.path().string()}, game.path(), 30);
    }
    ScratchDir game;
};

TEST_F(EffectTimingGameTest, AnEffectLastsItsLengthAndEffectsWithoutLengthEndAtOnce) {
    auto run = play("bg white,1\nresettimer\nbg black,10,1000\ngettimer %1\n"
                    "bg white,10,0\nmov %2,1\n"
                    "bg black,5\nmov %3,1\n"
                    "print 256,100\nmov %4,1\n"
                    "bg white,6\nmov %5,1\n"
                    "resettimer\nquake 4,10\ngettimer %6\n",
                    "effect 5,10\neffect 6,256,80\n");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<int32_t> v = test::globalValues(game);
    EXPECT_GE(v[1], 1000);
    EXPECT_EQ(v[2], 1);
    EXPECT_EQ(v[3], 1);
    EXPECT_EQ(v[4], 1);
    EXPECT_EQ(v[5], 1);
    // The shake lasts at least four times its amplitude.
    EXPECT_GE(v[6], 16);
}

TEST_F(EffectTimingGameTest, SkippingShortensEffectsAndEffectcutMakesThemInstant) {
    struct Case {
        const char* input;
        const char* define;
        int32_t at_least, below;
    };
    // A 2000 ms effect lasts a tenth of that while skipping, nothing with effectcut.
    const Case cases[] = {{"idle key s\n", "", 180, 1000},
                          {"idle keydown lctrl\n", "", 180, 1000},
                          {"idle key s\n", "effectcut\n", 0, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.input) + c.define);
        auto run = test::playScripted(
            game, "click\nresettimer\nbg \"#00ff00\",10,2000\ngettimer %1\n", c.input, c.define);
        ASSERT_EQ(run.status, 0) << run.err;
        const int32_t elapsed = test::globalValues(game)[1];
        EXPECT_GE(elapsed, c.at_least);
        EXPECT_LT(elapsed, c.below);
    }
}

TEST(EffectGameTest, ShakesLeaveTheScreenAsItWas) {
    ScratchDir game;
    writePictures(game);
    auto run = playGame(game, gameScript("bg \"a.png\",1\nquake 4,10\n" + shot("q.bmp") +
                                         "quakex 3,60\n" + shot("x.bmp") + "quakey 5,60\n" +
                                         shot("y.bmp") + "quake 0,20\n" + shot("z.bmp")));
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* name : {"q.bmp", "x.bmp", "y.bmp", "z.bmp"}) {
        SCOPED_TRACE(name);
        auto picture = screenshotOf(game, name);
        ASSERT_TRUE(picture);
        expectRegion(*picture, 0, 0, 640, 480, [](int x, int y) { return packed(pictureA(x, y)); });
    }
}

} // namespace
} // namespace velmora
