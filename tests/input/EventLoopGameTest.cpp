// Waits and input in whole games played by scripted input: timed and click
// waits, the mouse, the click trap, skip and automode keys, quitting, and
// the scripted-input file itself.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace velmora {
namespace {

using test::RunResult;
using test::ScratchDir;

class EventLoopGameTest : public ::testing::Test {
  protected:
    // Plays `start` after an empty define section (plus `define`) with the
    // given scripted input; variables 0-9 are read back from gloval.sav.
    RunResult play(const std::string& start, const std::string& input_lines,
                   const std::string& define = "") {
        return test::playScripted(game, start, input_lines, define);
    }
    std::vector<int32_t> variables() const { return test::globalValues(game); }

    ScratchDir game;
};

TEST_F(EventLoopGameTest, TimedWaitsLastTheirTimeAndTheMouseCanBeMoved) {
    RunResult result = play("resettimer\nwait 400\ngettimer %1\n"
                            "movemousecursor 123,45\ngetmousepos %2,%3\n"
                            "resettimer\nwaittimer 150\ngettimer %4\nwait 0\n",
                            "");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<int32_t> v = variables();
    EXPECT_GE(v[1], 400);
    EXPECT_EQ(v[2], 123);
    EXPECT_EQ(v[3], 45);
    EXPECT_GE(v[4], 150);
    EXPECT_EQ(result.err.find("[input]"), std::string::npos) << result.err;
}

TEST_F(EventLoopGameTest, ClicksEndClickWaitsAndTheTrapJumps) {
    // The delay would last a minute; the click at any wait ends it.
    RunResult result = play("resettimer\ndelay 60000\ngettimer %1\n"
                            "click\nmov %2,1\n"
                            "trap *caught\nclick\nmov %3,1\n*caught\nmov %4,1\n",
                            "any click 5 5\nidle click\nidle click 1 1\n");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<int32_t> v = variables();
    EXPECT_LT(v[1], 60000);
    EXPECT_EQ(v[2], 1);
    EXPECT_EQ(v[3], 0); // passed over by the trap
    EXPECT_EQ(v[4], 1);
    EXPECT_NE(result.err.find("[input] line 1 mode=0x2c\n"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("[input] line 3 mode=0x2c\n"), std::string::npos) << result.err;
}

TEST_F(EventLoopGameTest, TrapWithoutLabelIsNotArmed) {
    RunResult result = play("trap \"nolabel\"\nclick\nmov %1,1\n", "idle click\n");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(variables()[1], 1);
    EXPECT_NE(result.out.find("trapCommand: [nolabel] is not supported\n"), std::string::npos);
}

TEST_F(EventLoopGameTest, SkipAndAutomodeKeys) {
    RunResult result = play("click\nisskip %1\nskipoff\nisskip %2\nclick\nisskip %3\n",
                            "idle key s\nidle key a\n", "mode_ext\n");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<int32_t> v = variables();
    EXPECT_EQ(v[1], 1);
    EXPECT_EQ(v[2], 0);
    EXPECT_EQ(v[3], 2); // automode
    EXPECT_NE(result.out.find("toggle skip to true\n"), std::string::npos);
    EXPECT_NE(result.out.find("change to automode\n"), std::string::npos);
}

TEST_F(EventLoopGameTest, ShiftQQuitsWithTheSideFilesWritten) {
    RunResult result =
        play("mov %1,7\nclick\nmov %1,8\nclick\n", "idle keydown lshift\nidle key q\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(variables()[1], 7);
    EXPECT_FALSE(game.read("envdata").empty());
}

TEST_F(EventLoopGameTest, ButtonWaitsEndByTheirTimeLimitOrAClick) {
    RunResult result = play("btntime 300\nbtnwait %1\ngetbtntimer %2\n"
                            "btntime -1\nbtnwait %3\nbtnwait %4\n",
                            "idle click 3 3\nidle rclick\n");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<int32_t> v = variables();
    EXPECT_EQ(v[1], -2); // the time-out without usewheel
    EXPECT_GE(v[2], 300);
    EXPECT_EQ(v[3], 0); // a left click on no button
    EXPECT_EQ(v[4], -1);
    EXPECT_NE(result.err.find("[input] line 1 mode=0x22\n"), std::string::npos) << result.err;
}

TEST_F(EventLoopGameTest, KeySwitchesHoldForOneButtonWaitAndBtndefClearsThem) {
    RunResult result = play("gettab\nbtnwait %1\nbtnwait %2\n"
                            "getzxc\nbtndef clear\nbtnwait %3\n"
                            "btntime 300\nbclear\nbtnwait %4\n",
                            "idle key tab\nidle key tab\nidle click 3 3\n"
                            "idle key z\nidle click 3 3\nidle click 3 3\n");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<int32_t> v = variables();
    EXPECT_EQ(v[1], -20);
    EXPECT_EQ(v[2], 0) << "Tab is an ordinary key again in the next wait";
    EXPECT_EQ(v[3], 0) << "btndef clear turned getzxc off";
    EXPECT_EQ(v[4], 0) << "bclear dropped the time limit, so the click ended the wait";
    EXPECT_EQ(result.err.find("exhausted"), std::string::npos) << result.err;
}

TEST_F(EventLoopGameTest, HoldingCtrlPassesClickWaitsInText) {
    RunResult result =
        play("click\nmov %1,1\n\x82\xa0@\x82\xa2@\x82\xa4\\\nmov %1,2\n", "idle keydown lctrl\n");
    ASSERT_EQ(result.status, 0) << result.err;
    // Pressing Ctrl ended the click; the text waits then passed while it was held.
    EXPECT_EQ(variables()[1], 2);
    EXPECT_EQ(result.err.find("exhausted"), std::string::npos) << result.err;
}

TEST_F(EventLoopGameTest, UsedUpInputEndsTheGameAtTheNextIdleWait) {
    RunResult result = play("mov %1,1\nclick\nmov %1,2\nclick\nmov %1,3\n", "idle click\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(variables()[1], 2);
    EXPECT_NE(result.err.find("[input] exhausted mode=0x2c\n"), std::string::npos) << result.err;
}

TEST_F(EventLoopGameTest, LookOnlyLinesRunAtTheSameWait) {
    RunResult result = play("caption \"Harbour\"\nbg \"#102030\",1\nclick\n",
                            "idle caption\nidle shot window.bmp\nidle click\n");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("[input] caption title=Harbour icon=Harbour\n"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("[input] line 3 mode=0x2c\n"), std::string::npos);
    const std::string shot = game.read("window.bmp");
    ASSERT_EQ(shot.size(), 54u + 640u * 480u * 3u);
    // The first pixel of the bottom-up rows, blue-green-red.
    EXPECT_EQ(static_cast<uint8_t>(shot[54]), 0x30);
    EXPECT_EQ(static_cast<uint8_t>(shot[55]), 0x20);
    EXPECT_EQ(static_cast<uint8_t>(shot[56]), 0x10);
}

TEST_F(EventLoopGameTest, BadInputLinesStopBeforeTheWindowOpens) {
    for (const char* line : {"idle jump\n", "sometimes click\n", "idle click 5\n",
                             "idle key hyper\n", "idle wheel sideways\n", "idle move 1\n"}) {
        RunResult result = play("end\n", std::string("# comment\n\n") + line);
        EXPECT_EQ(result.status, 2) << line;
        EXPECT_EQ(result.err, "[input] bad line 3\n") << line;
        EXPECT_EQ(result.out.find("Display:"), std::string::npos) << line;
    }
}

} // namespace
} // namespace velmora
