// Choices, buttons and click-wait cursors in whole games played by scripted
// input: choosing with the mouse and the keyboard, the script's own choice
// screen, picture and sprite buttons, what the player sees while hovering,
// and the cursors at click and page waits.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/ScreenshotGame.h"

namespace velmora {
namespace {

using test::RunResult;
using test::ScratchDir;

// Choices sit at y 20, 44 and 68 of this window, from x 10.
const std::string WINDOW = "setwindow 10,20,5,4,20,20,2,4,0,0,0,\"#808080\",0,0,319,239\n";

class ChoiceGameTest : public ::testing::Test {
  protected:
    RunResult play(const std::string& start, const std::string& input_lines) {
        return test::playScripted(game, start, input_lines);
    }
    std::vector<int32_t> variables() const { return test::globalValues(game); }

    ScratchDir game;
};

TEST_F(ChoiceGameTest, ChoicesAreTakenByMouseAndKeyboardAndGoWhereTheyLead) {
    const std::string start = WINDOW + "selnum %1,\"Apple\",\"Banana\",\"Cherry\"\n"
                                       "movemousecursor 300,200\n"
                                       "selnum %2,\"Apple\",\"Banana\",\"Cherry\"\n"
                                       // The list goes on past a comma at the end of a
                                       // line or at the start of the next one.
                                       "selgosub \"A\",*a,\n  \"B\",*b\n  ,\"C\",*c\n"
                                       "mov %4,%3+10\n"
                                       // A button left from before is no choice.
                                       "btn 9,0,0,640,480,0,0\n"
                                       "select \"X\",*x,\"Y\",*y\nend\n"
                                       "*x\nmov %5,1\nend\n*y\nmov %5,2\nend\n"
                                       "*a\nmov %3,1\nreturn\n*b\nmov %3,2\nreturn\n"
                                       "*c\nmov %3,3\nreturn\n";
    RunResult run = play(start, "idle click 15 50\n"
                                "idle key up\nidle key return\n"
                                // Without a menu, a right click hides the window
                                // until the next click; the choice goes on.
                                "idle rclick 15 74\nidle click 300 300\nidle click 15 74\n"
                                "idle click 300 300\nidle click 15 50\n");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<int32_t> v = variables();
    EXPECT_EQ(v[1], 1);  // Banana, clicked
    EXPECT_EQ(v[2], 2);  // Up takes the newest choice first
    EXPECT_EQ(v[3], 3);  // the subroutine of C ran...
    EXPECT_EQ(v[4], 13); // ...and returned after the choices
    EXPECT_EQ(v[5], 2);  // the click on the old button was passed over
    EXPECT_EQ(run.err.find("exhausted"), std::string::npos) << run.err;
}

TEST_F(ChoiceGameTest, TheScriptsOwnChoiceScreenReadsAndFollowsTheChoices) {
    RunResult run = play("csel \"Alpha\",*la,\"Beta\",*lb\nmov %9,1\nend\n"
                         "*customsel\ngetcselnum %1\ngetcselstr $2,1\n"
                         "if $2==\"Beta\" mov %2,1\nmov $2,\"\"\n"
                         "cselbtn 1,5,100,300\nbtnwait %3\ncselgoto 1\n"
                         "*la\nmov %4,1\nend\n*lb\nmov %4,2\nend\n",
                         "idle click 110 310\n");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<int32_t> v = variables();
    EXPECT_EQ(v[1], 2);
    EXPECT_EQ(v[2], 1);
    EXPECT_EQ(v[3], 5); // the text button of cselbtn
    EXPECT_EQ(v[4], 2);
    EXPECT_EQ(v[9], 0); // the line after csel never runs
}

TEST_F(ChoiceGameTest, MalformedChoicesStopTheGame) {
    const std::pair<const char*, const char*> cases[] = {
        {"select \"A\" *a\n", "select: missing comma."},
        {"select \"A\",,*a\n", "select: double comma."},
        {"csel \"A\",*a,\"B\",*b\n*customsel\ncselgoto 3\n", "cselgoto: no select link"},
    };
    for (const auto& [start, message] : cases) {
        RunResult run = play(start, "");
        EXPECT_EQ(run.status, 255) << start;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    }
}

TEST_F(ChoiceGameTest, ButtonsReportTheirNumbersLightUnderThePointerAndGoAfterTheWait) {
    game.write("pic.bmp", test::bitmapOf(200, 100, [](int x, int y) { return x << 16 | y << 8; }));
    RunResult run = play(WINDOW + "bg white,1\nbtndef \"pic.bmp\"\n"
                                  "btn 1,100,100,50,50,0,0\nbtn 2,120,120,50,50,50,0\nbtnwait %1\n"
                                  "btntime 300\nbtnwait %2\nbtndef \"pic.bmp\"\n"
                                  "btn 1,400,300,50,50,10,20\nbtnwait %3\n"
                                  "selnum %4,\"Apple\",\"Banana\"\n"
                                  // A two-cell sprite button whose control string
                                  // shows sprite 6; the default string hides it.
                                  "lsp 5,\":c/2,0,3;>40,20,#ff0000#00ff00\",300,300\n"
                                  "lsph 6,\":c;>10,10,#0000ff\",500,50\n"
                                  "exbtn_d \"C6\"\nexbtn 5,2,\"P6\"\nbtnwait %5\n"
                                  "spbtn 5,7\ngetmouseover 1,10\nbtnwait2 %6\n"
                                  "spbtn 1000,1\ncsp 5\nbtnwait %7\n",
                         "idle click 130 130\n"
                         "idle move 410 310\nidle shot lit.bmp\nidle move 600 10\n"
                         "idle shot unlit.bmp\nidle click 600 10\n"
                         "idle move 15 50\nidle shot choice.bmp\nidle click 15 50\n"
                         "idle move 305 305\nidle shot over.bmp\nidle move 600 10\n"
                         "idle shot left.bmp\nidle click 600 10\n"
                         "idle move 305 305\nidle key return\n");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<int32_t> v = variables();
    EXPECT_EQ(v[1], 2);  // the newest of two overlapping buttons
    EXPECT_EQ(v[2], -2); // nothing left to click: the time-out
    EXPECT_EQ(v[3], 0);
    EXPECT_EQ(v[4], 1);
    EXPECT_EQ(v[5], 0);
    EXPECT_EQ(v[6], 7); // moving onto the sprite ended the wait
    EXPECT_EQ(v[7], 0); // csp took the sprite's buttons away from under the pointer
    EXPECT_NE(run.err.find("spbtn: sprite 1000 is out of range"), std::string::npos) << run.err;
    auto lit = test::screenshotOf(game, "lit.bmp");
    auto unlit = test::screenshotOf(game, "unlit.bmp");
    auto choice = test::screenshotOf(game, "choice.bmp");
    ASSERT_TRUE(lit && unlit && choice);
    // The lit button shows its rectangle of the button picture.
    test::expectRegion(*lit, 400, 300, 450, 350,
                       [](int x, int y) { return test::rgb(x - 400 + 10, y - 300 + 20, 0); });
    test::expectRegion(*unlit, 400, 300, 450, 350,
                       [](int, int) { return test::rgb(255, 255, 255); });
    // The brightest text of each line: the hover colour under the pointer,
    // the idle colour elsewhere.
    const auto brightest = [&](int y0) {
        uint32_t top = 0;
        for (int y = y0; y < y0 + 20; ++y)
            for (int x = 10; x < 80; ++x) top = std::max(top, choice->at(x, y) & 0xff);
        return top;
    };
    EXPECT_EQ(brightest(20), 170u);
    EXPECT_EQ(brightest(44), 255u);

    auto over = test::screenshotOf(game, "over.bmp");
    auto left = test::screenshotOf(game, "left.bmp");
    ASSERT_TRUE(over && left);
    EXPECT_EQ(over->at(305, 305), test::rgb(0, 255, 0)); // the second cell
    EXPECT_EQ(over->at(505, 55), test::rgb(0, 0, 255));
    EXPECT_EQ(left->at(305, 305), test::rgb(255, 0, 0));
    EXPECT_EQ(left->at(505, 55), test::rgb(255, 255, 255));
}

// The kind of script published games have: a comment header, bare colours,
// effects, Shift_JIS story text and a menu of choices that the story returns
// to until the player leaves.
TEST_F(ChoiceGameTest, AGameOfTextPicturesAndAChoiceInALoopPlaysToItsEnd) {
    game.write("room.bmp", test::bitmapOf(640, 480, [](int x, int y) { return x ^ y; }));
    game.write("girl.bmp", test::bitmapOf(120, 300, [](int, int y) { return 0x802020 + y; }));
    game.write("0.txt",
               ";gameid Harbour Letters\n*define\nglobalon\n"
               "setwindow 30,340,26,4,22,22,0,4,20,1,1,#000000,20,330,619,469\n"
               "effect 5,10,200\ngame\n*start\nbg \"room.bmp\",5\nld c,\"girl.bmp\",5\n"
               "\x81\x75\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\x81\x76\\\n"
               "*menu\nselect \"\x98\x62\x82\xb7\",*talk,\"\x92\xb2\x82\xd7\x82\xe9\",*look,"
               "\"\x8b\x41\x82\xe9\",*leave\n"
               "*talk\ninc %1\n\x81\x75\x8c\xb3\x8b\x43\x81\x48\x81\x76\\\ngoto *menu\n"
               "*look\ninc %2\n\x95\x94\x89\xae\x82\xf0\x8c\xa9\x82\xbd\x81\x42\\\n"
               "goto *menu\n*leave\ncl c,5\nmov %3,%1+%2\n"
               "\x82\xb3\x82\xe6\x82\xa4\x82\xc8\x82\xe7\x81\x42\\\nend\n");
    // Each page starts at the top of the window: the choices lie at y 340, 366, 392.
    game.write("input.txt", "idle click\nidle click 40 350\nidle click\nidle click 40 376\n"
                            "idle click\nidle click 40 350\nidle click\nidle click 40 402\n"
                            "idle click\n");
    RunResult run = test::runEngine({"-r", game.path().string()}, game.path(), 30,
                                    {"VELMORA_INPUT=" + (game.path() / "input.txt").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find("exhausted"), std::string::npos) << run.err;
    const std::vector<int32_t> v = variables();
    EXPECT_EQ(v[1], 2); // talked twice
    EXPECT_EQ(v[2], 1); // looked once
    EXPECT_EQ(v[3], 3);
}

TEST_F(ChoiceGameTest, ClickAndPageWaitsShowTheirCursors) {
    // Three 8 x 8 cells; the top-left pixel's colour is the transparent one.
    const std::string cursor = test::bitmapOf(24, 8, [](int x, int y) {
        return x % 8 == 0 && y == 0 ? 0xff00ff : x < 8 ? 0xff0000 : 0x00ff00;
    });
    game.write("cursor0.bmp", cursor);
    game.write("cur.bmp", cursor);
    RunResult run = play(WINDOW + "bg white,1\nabssetcursor 1,\":l/3,160,2;cur.bmp\",500,400\n"
                                  "setcursor 2,\"cur.bmp\",0,0\n\x82\xa0@\x82\xa2\\\nclick\n",
                         "idle shot click.bmp\nidle click\nidle shot page.bmp\nidle click\n"
                         "idle shot after.bmp\nidle click\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("setcursor: cursor 2 is out of range"), std::string::npos) << run.err;
    auto click = test::screenshotOf(game, "click.bmp");
    auto page = test::screenshotOf(game, "page.bmp");
    auto after = test::screenshotOf(game, "after.bmp");
    ASSERT_TRUE(click && page && after);
    const auto red = [](int, int) { return test::rgb(255, 0, 0); };
    // Cursor 0 follows the text: just after the first character, at (32, 20).
    test::expectRegion(*click, 33, 21, 40, 28, red);
    test::expectRegion(*page, 501, 401, 508, 408, red);
    EXPECT_EQ(after->at(504, 404), test::rgb(255, 255, 255)); // taken away after the wait
}

} // namespace
} // namespace velmora
