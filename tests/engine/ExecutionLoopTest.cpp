// Whole games run by the real program: the define section, dispatch of
// commands, falling from label to label and the end of the script.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

TEST_F(ExecutionLoopTest, TextInTheGameIsPassedOver) {
    RunResult result = play("*define\ngame\n*start\n12 apples\n`one byte text@\nend\nafter\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
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
    RunResult result = play("*define\ngame\n*start\nfoo\n*second\nbar\nend\nbaz\n*third\nqux\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, unsupported("foo") + unsupported("bar"));
}

TEST_F(ExecutionLoopTest, EndOfTheLastLabelEndsTheGame) {
    RunResult result = play("*define\ngame\n*start\nfoo\n*last\nbar\n\n\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, unsupported("foo") + unsupported("bar") + " ***** End *****\n");
}

TEST_F(ExecutionLoopTest, DefineSectionFallsThroughWithoutGame) {
    RunResult result = play("*define\nfoo\n*start\nbar\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, unsupported("foo") + unsupported("bar") + " ***** End *****\n");
}

TEST_F(ExecutionLoopTest, UnknownCommandSkipsOnlyItsStatement) {
    RunResult result = play("*define\nfoo 1, \"a:b\" : game\n*start\nbar x;y\nbaz : end\nqux\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, unsupported("foo") + unsupported("bar") + unsupported("baz"));
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

TEST_F(ExecutionLoopTest, VoiceShortcutsAreNotSupportedYet) {
    RunResult result = play("*define\ngame\n*start\nv12\ndv12\nend\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, unsupported("v12") + unsupported("dv12"));
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

TEST_F(ExecutionLoopTest, DemoGameRunsToItsEnd) {
    auto demo = std::filesystem::path(__FILE__).parent_path() / "../../examples/demo/0.txt";
    std::ifstream in(demo, std::ios::binary);
    ASSERT_TRUE(in) << demo;
    std::stringstream text;
    text << in.rdbuf();
    RunResult result = play(text.str());
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, VERSION_LINE + startupLines());
    EXPECT_EQ(result.err, "");
}

} // namespace
} // namespace velmora
