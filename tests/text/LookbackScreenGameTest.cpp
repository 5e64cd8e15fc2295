// The lookback screen and gettag in whole games played by scripted input:
// earlier pages in the lookback colour with their arrows, the way back to the
// game, and the name tag read inside the pretextgosub routine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ScreenshotGame.h"

namespace velmora {
namespace {

using test::Bitmap;
using test::rgb;
using test::ScratchDir;

// A grey window over the top left quarter: 320 x 240 pixels, so each arrow
// reacts over 80 rows and its 16-pixel pictures sit at x 304.
const std::string WINDOW = "setwindow 10,20,5,4,20,20,2,4,0,0,0,\"#808080\",0,0,319,239\n";
constexpr uint32_t UP_OFF = rgb(200, 0, 0);
constexpr uint32_t LOOKBACK_YELLOW = rgb(255, 255, 0);
constexpr uint32_t WHITE = rgb(255, 255, 255);

size_t countInWindow(const Bitmap& shot, uint32_t colour) {
    size_t count = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) count += shot.at(x, y) == colour;
    return count;
}

TEST(LookbackScreenGameTest, EarlierPagesShowInYellowAndGettagSplitsTheLineTag) {
    ScratchDir game;
    const std::pair<const char*, uint32_t> arrows[] = {{"uoncur.bmp", rgb(0, 0, 200)},
                                                       {"uoffcur.bmp", UP_OFF},
                                                       {"doncur.bmp", rgb(0, 200, 0)},
                                                       {"doffcur.bmp", rgb(0, 100, 100)}};
    // The top left pixel's colour is the transparent one.
    for (const auto& [name, colour] : arrows)
        game.write(name, test::bitmapOf(
                             16, 16, [colour](int x, int y) { return x + y == 0 ? 0 : colour; }));
    // あ and い each fill a page; the tagged line かきく waits for a click.
    const std::string start = WINDOW + "\x82\xa0\\\n\x82\xa2\\\n[Taro/7]\x82\xa9\x82\xab\x82\xad@\n"
                                       "gettext $3 : gettaglog $4,0 : mov %2,1\n"
                                       "end\n*pre\ngosub *inner\ngettag $1,%1\nreturn\n"
                                       "*inner\ngettag $5\nreturn\n";
    const test::RunResult run =
        test::playScripted(game, start,
                           // On the first page there is nothing to look back at.
                           "idle wheel up\nidle click\nidle click\nidle move 100 120\n"
                           "idle wheel up\nidle shot look.bmp\nidle buttons\n"
                           "idle wheel up\nidle buttons\nidle wheel down\nidle wheel down\n"
                           "idle shot back.bmp\nidle click\n",
                           "pretextgosub *pre\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find("line 2 mode=0x2\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("line 8 mode=0x2\n"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("exhausted"), std::string::npos) << run.err;

    // Only the up arrow on the newest earlier page, only the down arrow on the oldest.
    EXPECT_EQ(test::countOf(run.err, "kind=2"), 2u) << run.err;
    EXPECT_NE(run.err.find("button 1 kind=2 state=2 rect=0,0,320,80 "), std::string::npos);
    EXPECT_NE(run.err.find("button 2 kind=2 state=2 rect=0,160,320,80 "), std::string::npos);

    const std::optional<Bitmap> look = test::screenshotOf(game, "look.bmp");
    const std::optional<Bitmap> back = test::screenshotOf(game, "back.bmp");
    ASSERT_TRUE(look && back);
    EXPECT_GT(countInWindow(*look, LOOKBACK_YELLOW), 0u);
    EXPECT_EQ(countInWindow(*look, WHITE), 0u);
    EXPECT_EQ(look->at(310, 5), UP_OFF);
    EXPECT_GT(countInWindow(*back, WHITE), 0u);
    EXPECT_EQ(countInWindow(*back, LOOKBACK_YELLOW), 0u);
    EXPECT_NE(back->at(310, 5), UP_OFF);

    const std::vector<int32_t> v = test::globalValues(game);
    const std::vector<std::string> t = test::globalTexts(game);
    EXPECT_EQ(t[1], "Taro");
    EXPECT_EQ(t[5], "Taro"); // read from a gosub inside the routine
    EXPECT_EQ(v[1], 7);
    EXPECT_EQ(t[3], "\x82\xa9\x82\xab\x82\xad");
    EXPECT_EQ(t[4], "Taro/7");
    EXPECT_EQ(v[2], 1);
}

TEST(LookbackScreenGameTest, GettagOutsideThePretextRoutineStopsTheGame) {
    ScratchDir game;
    const test::RunResult run = test::playScripted(game, "gettag $1\n", "");
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("gettag: not in a subroutine, i.e. pretextgosub"), std::string::npos)
        << run.err;
}

} // namespace
} // namespace velmora
