// The execution loop and the engine's control commands, run inside the test
// process with the process exit trapped, so the engine state can be examined.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "TestSupport.h"
#include "engine/Velmora.h"

namespace velmora {
namespace {

using test::ExitResult;
using test::runTrappingExit;

std::string unsupported(const std::string& name) {
    return " command [" + name + "] is not supported yet!!\n";
}

class ExecutionLoopEngineTest : public ::testing::Test {
  protected:
    // Loads `text` as the script and enters the define section.
    void start(const std::string& text) {
        engine.script.loadFromMemory(text.data(), text.size());
        engine.font_file = test::TEST_FONT_PATH;
        ASSERT_EQ(engine.initialise(), 0);
    }
    ExitResult run() {
        return runTrappingExit([this] { engine.executeLabel(); });
    }
    // Position of `needle` in the loaded script.
    const char* find(const char* needle) const {
        const char* at = std::strstr(engine.script.bufferStart(), needle);
        EXPECT_NE(at, nullptr) << needle;
        return at;
    }

    Velmora engine;
};

TEST_F(ExecutionLoopEngineTest, InitialiseEntersTheDefineSection) {
    start("; header\n*define\nfoo\n");
    EXPECT_TRUE(engine.in_define_section);
    EXPECT_EQ(engine.current_label.name, "define");
    EXPECT_EQ(engine.current_line, 1);
    EXPECT_STREQ(engine.script.token_buffer.data(), "foo");
    EXPECT_EQ(engine.token_offset, 0);
}

TEST_F(ExecutionLoopEngineTest, TildeSetsTheMarkAndItsLineStillCounts) {
    start("*define\nfoo\n~ end\nbar\n");
    ExitResult result = run();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.stderr_text, unsupported("foo"));
    EXPECT_EQ(engine.tilde_mark, find("end"));
    EXPECT_EQ(engine.current_line, 2);
}

TEST_F(ExecutionLoopEngineTest, SkippingEndsOnlyAtTheWholeTokenNext) {
    // An empty loop skips its body: commands that merely begin with "next" are
    // passed over unseen, and `_next` ends the skip.
    start("*define\nfor %0 = 5 to 1\nnextfoo\nnext_ : mov %2, 1\n_next\nmov %1, 9\nend\n");
    ExitResult result = run();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.stderr_text, "");
    EXPECT_EQ(engine.script.variableSlot(0).value, 5);
    EXPECT_EQ(engine.script.variableSlot(1).value, 9);
    EXPECT_EQ(engine.script.variableSlot(2).value, 0);
}

TEST_F(ExecutionLoopEngineTest, SkippingCountsLinesSoLabelsAreLeftAtTheirEnd) {
    start("*define\nfoo\n*second\nbar : baz\n*third\nqux\n");
    engine.skipping_to_next = true;
    ExitResult result = run();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.stderr_text, " ***** End *****\n");
    // Each label is entered by falling out of the previous one, which logs it.
    const auto& logged = engine.script.label_log.names;
    EXPECT_NE(std::find(logged.begin(), logged.end(), "SECOND"), logged.end());
    EXPECT_NE(std::find(logged.begin(), logged.end(), "THIRD"), logged.end());
}

TEST_F(ExecutionLoopEngineTest, RunningOutOfScriptEndsInsteadOfSpinning) {
    start("*define\nfoo\n");
    engine.current_label.line_count += 100;
    ExitResult result = run();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.stderr_text, unsupported("foo") + " ***** End *****\n");
}

TEST_F(ExecutionLoopEngineTest, GameClearsOnlyLocalVariables) {
    start("*define\ngame\n*start\nend\n");
    int32_t global = engine.script.global_border;
    engine.script.variableSlot(5).value = 3;
    engine.script.variableSlot(5).text = "local";
    engine.script.variableSlot(global).value = 7;
    engine.script.variableSlot(global).text = "kept";
    ExitResult result = run();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.stderr_text, "");
    EXPECT_FALSE(engine.in_define_section);
    EXPECT_EQ(engine.current_label.name, "start");
    EXPECT_EQ(engine.current_line, 1);
    EXPECT_EQ(engine.script.variableSlot(5).value, 0);
    EXPECT_EQ(engine.script.variableSlot(5).text, "");
    EXPECT_EQ(engine.script.variableSlot(global).value, 7);
    EXPECT_EQ(engine.script.variableSlot(global).text, "kept");
}

TEST_F(ExecutionLoopEngineTest, DefineresetIsFoundAfterAnotherCommandOfItsLetter) {
    start("*define\ngame\n*start\ndefinereset\n");
    engine.in_define_section = false;
    engine.jumpToLabel("start");
    engine.fetchToken();
    ASSERT_STREQ(engine.script.token_buffer.data(), "definereset");
    EXPECT_EQ(engine.Parseline(), RESULT_PROCEED);
    EXPECT_TRUE(engine.in_define_section);
    EXPECT_EQ(engine.current_label.name, "define");
}

TEST_F(ExecutionLoopEngineTest, DefineresetRestoresTheScriptAndExecutionState) {
    start("*define\nnumalias top,1\ngame\n*start\n~\nfoo\n");
    engine.script.addNumAlias("top", 1);
    engine.script.variableSlot(engine.script.global_border).value = 9;
    engine.in_define_section = false;
    engine.skipping_to_next = true;
    engine.tilde_mark = find("foo");
    engine.token_offset = 3;
    engine.jumpToPosition(find("foo"));

    EXPECT_EQ(engine.defineresetCommand(), RESULT_PROCEED);
    EXPECT_TRUE(engine.in_define_section);
    EXPECT_FALSE(engine.skipping_to_next);
    EXPECT_EQ(engine.tilde_mark, nullptr);
    EXPECT_EQ(engine.token_offset, 0);
    EXPECT_EQ(engine.script.findNumAlias("top"), nullptr);
    EXPECT_EQ(engine.script.variableSlot(engine.script.global_border).value, 0);
    EXPECT_EQ(engine.current_label.name, "define");
    EXPECT_EQ(engine.current_line, 1);
    EXPECT_EQ(engine.script.read_position, find("numalias"));
}

TEST_F(ExecutionLoopEngineTest, ParseErrorNamesTheLabelAndLine) {
    start("*define\ngame\n*start\nend\n");
    engine.current_label.name = "start";
    engine.current_line = 4;
    ExitResult plain = runTrappingExit([this] { engine.parseError("something broke"); });
    EXPECT_EQ(plain.status, -1);
    EXPECT_EQ(plain.stderr_text, " *** Parse error at start:4 [something broke] ***\n");
    ExitResult detailed = runTrappingExit([this] { engine.parseError("bad", "why"); });
    EXPECT_EQ(detailed.status, -1);
    EXPECT_EQ(detailed.stderr_text, " *** Parse error at start:4 [bad]; why ***\n");
}

TEST_F(ExecutionLoopEngineTest, DefineSectionRequirementHoldsOnlyThere) {
    start("*define\ngame\n*start\nend\n");
    ExitResult inside = runTrappingExit([this] { engine.requireDefineSection("x: not here"); });
    EXPECT_FALSE(inside.exited());
    EXPECT_EQ(inside.stderr_text, "");
    engine.in_define_section = false;
    ExitResult outside = runTrappingExit([this] { engine.requireDefineSection("x: not here"); });
    EXPECT_EQ(outside.status, -1);
    EXPECT_EQ(outside.stderr_text, " *** Parse error at define:1 [x: not here] ***\n");
}

TEST_F(ExecutionLoopEngineTest, JumpToPositionMakesTheContainingLabelCurrent) {
    start("*define\ngame\n*start\nfoo\n*other : bar\nbaz\n");
    engine.jumpToPosition(find("baz"));
    EXPECT_EQ(engine.current_label.name, "other");
    EXPECT_EQ(engine.current_line, 1);
    engine.jumpToPosition(find(": bar"));
    EXPECT_EQ(engine.current_label.name, "other");
    EXPECT_EQ(engine.current_line, 0);
    engine.jumpToPosition(find("foo"));
    EXPECT_EQ(engine.current_label.name, "start");
    EXPECT_EQ(engine.current_line, 1);
    EXPECT_EQ(engine.script.read_position, find("foo"));
}

TEST_F(ExecutionLoopEngineTest, JumpToLabelStartsAtItsBody) {
    start("*define\ngame\n*start\nfoo\n*other : bar\nbaz\n");
    engine.jumpToLabel("other");
    EXPECT_EQ(engine.current_line, 0);
    EXPECT_EQ(engine.script.read_position, find(": bar"));
    engine.jumpToLabel("start");
    EXPECT_EQ(engine.current_line, 1);
    EXPECT_EQ(engine.script.read_position, find("foo"));
}

TEST_F(ExecutionLoopEngineTest, LinePageModesEndEveryTextLineWithAWait) {
    start("*define\nx\n");
    std::string text = "`abc\nmov\n";
    engine.script.loadFromMemory(text.data(), text.size());
    auto fetchFirst = [&] {
        engine.script.jumpTo(engine.script.bufferStart());
        engine.fetchToken();
        return std::string(engine.script.token_buffer.data());
    };
    EXPECT_EQ(fetchFirst(), "abc");
    engine.linepage_mode = 1;
    EXPECT_EQ(fetchFirst(), "abc\\");
    engine.fetchToken();
    engine.fetchToken();
    EXPECT_STREQ(engine.script.token_buffer.data(), "mov"); // commands are left alone

    // linepage2: a page wait once no more than clickstr_line lines are left.
    engine.linepage_mode = 2;
    engine.story_font.area_cells = {20, 10};
    engine.story_font.pen = {0, 16}; // 8 lines used, 2 left
    engine.clickstr_line = 1;
    EXPECT_EQ(fetchFirst(), "abc@");
    engine.clickstr_line = 2;
    EXPECT_EQ(fetchFirst(), "abc\\");
}

TEST_F(ExecutionLoopEngineTest, SkipModeStopsAtUnreadStatementsWhenReadMarksAreKept) {
    for (uint8_t marks : {uint8_t{0x00}, uint8_t{0xFF}}) {
        start("*define\nmov %0, 1\nend\n");
        engine.kidokuskip_on = true;
        engine.script.read_marks_on = true;
        engine.script.read_marks.assign(engine.script.scriptLength() / 8 + 1, marks);
        engine.script.jumpTo(find("mov"));
        engine.fetchToken();
        engine.skip_mode = SKIP_TEXT | SKIP_TO_PAGE_END;
        EXPECT_EQ(run().status, 0);
        EXPECT_EQ(engine.skip_mode, marks ? SKIP_TEXT | SKIP_TO_PAGE_END : SKIP_TO_PAGE_END)
            << "marks " << int(marks);
    }
}

} // namespace
} // namespace velmora
