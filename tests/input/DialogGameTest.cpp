// The yesnobox and okcancelbox dialogs in a whole game played by scripted
// input: the answers of each button and of a right click, what the player
// sees while the dialog is up, and the game's own buttons afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ScreenshotGame.h"

namespace velmora {
namespace {

// On a 640 x 480 screen the 241 x 167 dialog sits at (199, 156); the face of
// its first button starts at (231, 269), that of the second at (335, 269).
constexpr int DX = 199;
constexpr int DY = 156;

uint32_t grey(uint32_t level) {
    return test::rgb(level, level, level);
}

// Pixels darker than mid grey in [x0, x1) x [y0, y1): drawn text.
int darkPixels(const test::Bitmap& shot, int x0, int y0, int x1, int y1) {
    int dark = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) dark += (shot.at(x, y) & 0xff) < 128;
    return dark;
}

TEST(DialogGameTest, DialogsAnswerWithTheirButtonsAndLeaveTheGamesButtonsAsTheyWere) {
    test::ScratchDir game;
    const std::string long_message(100, 'W'); // more than the three rows hold
    test::RunResult run = test::playScripted(
        game,
        test::BG_LINE +
            "btn 1,0,0,60,60,0,0\nmov %1,9\nmov %3,9\n"
            "yesnobox %1,\"Q?\",\"T\"\nyesnobox %2,\"Q?\",\"T\"\n"
            "yesnobox %3,\"Q?\",\"T\"\nokcancelbox %4,\"" +
            long_message + "\",\"Title\"\ngettext $6\nbtnwait %5\n",
        // The game's button under (10, 10) is put aside while a dialog is up.
        "idle click 10 10\nidle rclick\nidle click 250 290\nidle click 350 290\n"
        "idle move 600 10\nidle shot idle.bmp\nidle move 250 290\nidle shot lit.bmp\n"
        "idle click 250 290\nidle shot after.bmp\nidle click 10 10\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find("exhausted"), std::string::npos) << run.err;
    const std::vector<int32_t> v = test::globalValues(game);
    EXPECT_EQ(v[1], 0);                        // right click
    EXPECT_EQ(v[2], 1);                        // Yes
    EXPECT_EQ(v[3], 0);                        // No
    EXPECT_EQ(v[4], 1);                        // OK
    EXPECT_EQ(v[5], 1);                        // the game's button answers again after the dialogs
    EXPECT_EQ(test::globalTexts(game)[6], ""); // dialog text is no page text

    auto idle = test::screenshotOf(game, "idle.bmp");
    auto lit = test::screenshotOf(game, "lit.bmp");
    auto after = test::screenshotOf(game, "after.bmp");
    ASSERT_TRUE(idle && lit && after);
    EXPECT_EQ(idle->at(DX + 2, DY + 32), grey(105));                        // frame
    EXPECT_EQ(idle->at(DX + 1, DY + 1), grey(255));                         // title bar
    EXPECT_EQ(idle->at(DX + 5, DY + 160), grey(240));                       // lower band
    EXPECT_EQ(idle->at(DX + 32 + 3, DY + 113 + 3), grey(240));              // OK face, idle
    EXPECT_EQ(lit->at(DX + 32 + 3, DY + 113 + 3), grey(214));               // OK face, lit
    EXPECT_EQ(lit->at(DX + 136 + 3, DY + 113 + 3), grey(240));              // Cancel face
    EXPECT_GT(darkPixels(*idle, DX + 5, DY + 2, DX + 100, DY + 30), 0);     // title
    EXPECT_GT(darkPixels(*idle, DX + 7, DY + 37, DX + 234, DY + 97), 0);    // message
    EXPECT_GT(darkPixels(*idle, DX + 32, DY + 113, DX + 124, DY + 151), 0); // "OK"
    // The rows of the message beyond the third are cut off, not drawn on the band.
    test::expectRegion(*idle, DX + 3, DY + 97, DX + 238, DY + 111,
                       [](int, int y) { return grey(y < DY + 100 ? 255 : 240); });
    // Gone from the screen afterwards.
    test::expectRegion(*after, DX, DY, DX + 241, DY + 167, [](int, int) { return test::BG; });
}

} // namespace
} // namespace velmora
