// Control flow run inside the engine: jumps, subroutines and their
// parameters, loops, conditions, user commands, and the commands that start,
// restart and end the game. Scripts run in-process until their `end`; the
// results are read back from the variables.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>

#include "TestSupport.h"
#include "engine/Velmora.h"

namespace velmora {
namespace {

using test::ExitResult;
using test::runTrappingExit;

std::string parseErrorAt(const std::string& place, const std::string& message) {
    return " *** Parse error at " + place + " [" + message + "] ***\n";
}

class ControlFlowTest : public ::testing::Test {
  protected:
    // Runs `script` from its define section as the engine does at start-up.
    ExitResult runScript(const std::string& script) {
        engine.script.archive_path = game.path().string() + "/";
        engine.script.loadFromMemory(script.data(), script.size());
        return runTrappingExit([&] {
            engine.definereset();
            engine.fetchToken();
            engine.executeLabel();
        });
    }
    // Runs `body` as the label start after a define section of `define`.
    ExitResult runGame(const std::string& body, const std::string& define = "") {
        return runScript("*define\n" + define + "game\n*start\n" + body);
    }
    int32_t var(int32_t n) { return engine.script.variableSlot(n).value; }
    const std::string& str(int32_t n) { return engine.script.variableSlot(n).text; }
    int32_t cell(int32_t array, int32_t index) {
        VarRef ref;
        ref.kind = RefArray;
        ref.number = array;
        ref.index_count = 1;
        ref.indices[0] = index;
        return engine.script.arrayCell(array, ref, 0);
    }

    test::ScratchDir game;
    Velmora engine;
};

// ---- Loops ----

TEST_F(ControlFlowTest, ForCountsUpDownAndNotAtAll) {
    ExitResult result = runGame("for %0 = 1 to 3\ninc %1\nnext\n"
                                "for %2 = 5 to 1\ninc %3\nnext\n"
                                "for %4 = 3 to 1 step -1\nmov %5, %5 * 10 + %4\nnext\n"
                                "for %6 = 0 to 10 step 4\ninc %7\nnext\n"
                                "end\n");
    ASSERT_EQ(result.status, 0) << result.stderr_text;
    EXPECT_EQ(var(1), 3);
    EXPECT_EQ(var(0), 4); // one step past the limit
    EXPECT_EQ(var(3), 0);
    EXPECT_EQ(var(2), 5); // the start value, never stepped
    EXPECT_EQ(var(5), 321);
    EXPECT_EQ(var(4), 0);
    EXPECT_EQ(var(7), 3); // 0, 4, 8
    EXPECT_EQ(var(6), 12);
    EXPECT_EQ(engine.call_stack.depth(), 0u);
}

TEST_F(ControlFlowTest, ForAtTheEndsOfTheIntegerRangeTerminates) {
    ExitResult result = runGame("for %0 = 2147483645 to 2147483647\ninc %1\nnext\n"
                                "for %2 = -2147483647 to -2147483648 step -1\ninc %3\nnext\n"
                                "end\n");
    ASSERT_EQ(result.status, 0) << result.stderr_text;
    EXPECT_EQ(var(1), 3);
    EXPECT_EQ(var(0), INT32_MAX);
    EXPECT_EQ(var(3), 2);
    EXPECT_EQ(var(2), INT32_MIN);
}

TEST_F(ControlFlowTest, BreakSkipsToTheNextNext) {
    ExitResult result = runGame("for %0 = 1 to 5\n"
                                "if %0 == 3 break\n"
                                "inc %1\n"
                                "next\n"
                                "for %2 = 1 to 5\n"
                                "break *out\n"
                                "next\n"
                                "*out\n"
                                "end\n");
    ASSERT_EQ(result.status, 0) << result.stderr_text;
    EXPECT_EQ(var(1), 2);
    EXPECT_EQ(var(0), 3); // the ending next does not step
    EXPECT_EQ(var(2), 1);
    EXPECT_EQ(engine.call_stack.depth(), 0u); // break *label popped its frame
}

TEST_F(ControlFlowTest, BreakEndsAtANextOfAnInnerLoop) {
    // The inner loop's next ends the outer loop; the outer loop's own next
    // then finds no loop.
    ExitResult result = runGame("for %0 = 1 to 3\n"
                                "break\n"
                                "for %1 = 1 to 2\n"
                                "next\n"
                                "mov %5, 1\n"
                                "next\n");
    EXPECT_EQ(result.status, -1);
    EXPECT_EQ(result.stderr_text, parseErrorAt("start:6", "next: not in for loop\n"));
    EXPECT_EQ(var(5), 1);
    EXPECT_EQ(var(1), 0);
}

// ---- Conditions ----

TEST_F(ControlFlowTest, IntegerComparisons) {
    ExitResult result = runGame("mov %0, 5\n"
                                "if %0 >= 5 mov %10, 1\n"
                                "if %0 >= 6 mov %11, 1\n"
                                "if %0 <= 5 mov %12, 1\n"
                                "if %0 <= 4 mov %13, 1\n"
                                "if %0 == 5 mov %14, 1\n"
                                "if %0 = 5 mov %15, 1\n"
                                "if %0 != 5 mov %16, 1\n"
                                "if %0 <> 4 mov %17, 1\n"
                                "if %0 < 5 mov %18, 1\n"
                                "if %0 > 4 mov %19, 1\n"
                                "if %0 > -1 mov %20, 1 : mov %21, 1\n"
                                "if %0 < 0 mov %22, 1 : mov %23, 1\n"
                                "if %0 mov %24, 1\n"
                                "end\n");
    ASSERT_EQ(result.status, 0) << result.stderr_text;
    const int32_t expected[] = {1, 0, 1, 0, 1, 1, 0, 1, 0, 1, 1, 1, 0, 0, 0};
    for (int32_t i = 0; i < 15; ++i) EXPECT_EQ(var(10 + i), expected[i]) << "%" << 10 + i;
}

TEST_F(ControlFlowTest, ConditionListsWithAndOr) {
    ExitResult result = runGame("mov %0, 1 : mov %1, 2\n"
                                "if %0 == 1 && %1 == 2 mov %10, 1\n"
                                "if %0 == 1 && %1 == 3 mov %11, 1\n"
                                "if %0 == 2 || %1 == 2 mov %12, 1\n"
                                "if %0 == 2 || %1 == 3 mov %13, 1\n"
                                "if %0 == 1 & %1 == 2 & %0 < %1 mov %14, 1\n"
                                "notif %0 == 1 mov %15, 1\n"
                                "notif %0 == 7 && %1 == 7 mov %16, 1\n"
                                "notif %0 == 1 || %1 == 7 mov %17, 1\n"
                                // A false condition ends the list before the mixed operator.
                                "if %0 == 9 && %1 == 2 || %1 == 2 mov %18, 1\n"
                                "if %0 == 1 || %1 == 3 mov %19, 1\n"
                                "end\n");
    ASSERT_EQ(result.status, 0) << result.stderr_text;
    const int32_t expected[] = {1, 0, 1, 0, 1, 0, 1, 1, 0, 1};
    for (int32_t i = 0; i < 10; ++i) EXPECT_EQ(var(10 + i), expected[i]) << "%" << 10 + i;
}

TEST_F(ControlFlowTest, MixingAndWithOrStops) {
    const std::string message = "if: using & and | at the same time is not supported.";
    for (const char* line : {"if %0 == 0 && %1 == 0 || %2 == 0 mov %3, 1\n",
                             "if %0 == 0 || %1 == 5 && %2 == 0 mov %3, 1\n"}) {
        ExitResult result = runGame(line);
        EXPECT_EQ(result.status, -1) << line;
        EXPECT_EQ(result.stderr_text, parseErrorAt("start:1", message)) << line;
        EXPECT_EQ(var(3), 0);
    }
}

TEST_F(ControlFlowTest, StringComparisonsAndLabelLogChecks) {
    ExitResult result = runScript("*define\ngame\n*start\n"
                                  "mov $0, \"abc\"\n"
                                  "if $0 == \"abc\" mov %10, 1\n"
                                  "if \"abc\" == \"abc\" mov %11, 1\n"
                                  "if $0 != \"abc\" mov %12, 1\n"
                                  "if \"b\" > \"abc\" mov %13, 1\n"
                                  "if \"abc\" < \"abd\" mov %14, 1\n"
                                  // Bytes compare unsigned: a lead byte sorts after ASCII.
                                  "if \"\x82\xa0\" > \"z\" mov %15, 1\n"
                                  "if \"ab\" < \"abc\" mov %16, 1\n"
                                  "if lchk *start mov %17, 1\n"
                                  "if lchk *never mov %18, 1\n"
                                  "notif lchk *never mov %19, 1\n"
                                  "end\n"
                                  "*never\n"
                                  "end\n");
    ASSERT_EQ(result.status, 0) << result.stderr_text;
    const int32_t expected[] = {1, 1, 0, 1, 1, 1, 1, 1, 0, 1};
    for (int32_t i = 0; i < 10; ++i) EXPECT_EQ(var(10 + i), expected[i]) << "%" << 10 + i;
}

TEST_F(ControlFlowTest, FchkFindsNamesOfTheFileLog) {
    const std::string script = "*define\ngame\n*start\n"
                               "if fchk \"bg\\A.bmp\" mov %1, 1\n"
                               "if fchk \"bg/a.BMP\" mov %2, 1\n"
                               "if fchk \"b.bmp\" mov %3, 1\n"
                               "end\n";
    engine.script.archive_path = game.path().string() + "/";
    engine.script.loadFromMemory(script.data(), script.size());
    ExitResult result = runTrappingExit([&] {
        engine.definereset(); // clears the logs, so the name is logged afterwards
        engine.script.findInLog(engine.script.file_log, "bg\\a.bmp", true);
        engine.fetchToken();
        engine.executeLabel();
    });
    ASSERT_EQ(result.status, 0) << result.stderr_text;
    EXPECT_EQ(var(1), 1);
    EXPECT_EQ(var(2), 1);
    EXPECT_EQ(var(3), 0);
}

// ---- Jumps ----

TEST_F(ControlFlowTest, TablegotoPicksByIndexOrFallsThrough) {
    ExitResult result = runGame("tablegoto 1, *a, *b, *c\n"
                                "*a\nmov %1, 1\n"
                                "*b\nmov %2, 1\n"
                                "tablegoto 5, *a, *b\n"
                                "tablegoto -1, *a\n"
                                "mov %3, 1\n"
                                "end\n"
                                "*c\nmov %4, 1\nend\n");
    ASSERT_EQ(result.status, 0) << result.stderr_text;
    EXPECT_EQ(var(1), 0);
    EXPECT_EQ(var(2), 1);
    EXPECT_EQ(var(3), 1);
    EXPECT_EQ(var(4), 0);
}

TEST_F(ControlFlowTest, SkipMovesByLines) {
    ExitResult result = runGame("inc %0 : if %0 < 3 skip 0\n"
                                "skip 2\n"
                                "mov %1, 1\n"
                                "inc %2\n"
                                "if %2 < 3 skip -1\n"
                                "skip 1\n"
                                "mov %3, 1\n"
                                "skip 2\n"
                                "*other\n"
                                "return\n");
    // The jump across the label makes *other current: the error names it.
    EXPECT_EQ(result.status, -1);
    EXPECT_EQ(result.stderr_text, parseErrorAt("other:1", "return: not in gosub"));
    EXPECT_EQ(var(0), 3);
    EXPECT_EQ(var(1), 0);
    EXPECT_EQ(var(2), 3);
    EXPECT_EQ(var(3), 1);
}

TEST_F(ControlFlowTest, JumpfAndJumpbFollowTildes) {
    ExitResult result = runGame("~\n"
                                "inc %2\n"
                                "if %2 < 3 jumpb\n"
                                "jumpf\n"
                                "mov %1, 1\n"
                                "*skipped\n"
                                "mov %4, 1\n"
                                "~ mov %3, 1\n"
                                "return\n");
    EXPECT_EQ(result.status, -1);
    // jumpf landed in *skipped on its third line.
    EXPECT_EQ(result.stderr_text, parseErrorAt("skipped:3", "return: not in gosub"));
    EXPECT_EQ(var(2), 3);
    EXPECT_EQ(var(1), 0);
    EXPECT_EQ(var(4), 0);
    EXPECT_EQ(var(3), 1);
}

TEST_F(ControlFlowTest, JumpsOutOfTheScriptStop) {
    const std::pair<std::string, const char*> cases[] = {
        // Line 0 is the header, before any label.
        {";header\n*define\ngame\n*start\nskip -4\n", "skip: line 0 is outside the script."},
        // The loader ends the script with one more (empty) line: line 5 is the last.
        {"*define\ngame\n*start\nskip 3\nend\n", "skip: line 6 is outside the script."},
        {"*define\ngame\n*start\nskip -2147483647\n",
         "skip: line -2147483644 is outside the script."},
        {"*define\ngame\n*start\n~\njumpf\nend\n", "jumpf: no ~ follows in the script."},
        {"*define\ngame\n*start\njumpb\n~\nend\n", "jumpb: no ~ has been passed."},
    };
    for (const auto& [script, message] : cases) {
        ExitResult result = runScript(script);
        EXPECT_EQ(result.status, -1) << script;
        EXPECT_NE(result.stderr_text.find(message), std::string::npos) << result.stderr_text;
    }
}

// ---- Subroutines ----

TEST_F(ControlFlowTest, ReturnToALabelPopsTheFrame) {
    ExitResult result = runGame("gosub *sub\n"
                                "mov %1, 1\n"
                                "end\n"
                                "*after\n"
                                "mov %2, 1\n"
                                "end\n"
                                "*sub\n"
                                "return *after\n");
    ASSERT_EQ(result.status, 0) << result.stderr_text;
    EXPECT_EQ(var(1), 0);
    EXPECT_EQ(var(2), 1);
    EXPECT_EQ(engine.call_stack.depth(), 0u);
}

TEST_F(ControlFlowTest, DeepGosubsReturnInReverseOrder) {
    // Even depths call from one site, odd depths from another; each site
    // records itself once its call returns.
    ExitResult result = runGame("gosub *deep\n"
                                "mov %8, 1\n"
                                "end\n"
                                "*deep\n"
                                "inc %0\n"
                                "if %0 >= 1200 return\n"
                                "if %0 mod 2 == 0 gosub *deep : mov ?0[%9], 2 : inc %9 : return\n"
                                "gosub *deep\n"
                                "mov ?0[%9], 1 : inc %9\n"
                                "return\n",
                                "dim ?0[1300]\n");
    ASSERT_EQ(result.status, 0) << result.stderr_text;
    EXPECT_EQ(var(8), 1);
    ASSERT_EQ(var(9), 1199);
    for (int32_t k = 0; k < 1199; ++k) {
        const int32_t depth = 1199 - k;
        ASSERT_EQ(cell(0, k), depth % 2 == 0 ? 2 : 1) << "return " << k;
    }
    EXPECT_EQ(engine.call_stack.depth(), 0u);
}

TEST_F(ControlFlowTest, GetparamTakesTheCallersArguments) {
    ExitResult result = runGame("mycmd 5, \"x\" : mov %20, 1\n"
                                "pointer %7\n"
                                "mov %2, 9 : mov %12, 9 : mov $13, \"old\"\n"
                                "keep 1\n"
                                "clear 1\n"
                                "end\n"
                                "*mycmd\ngetparam %1, $2\nreturn\n"
                                "*pointer\ngetparam i%3\nreturn\n"
                                "*keep\ngetparam %10, %2\nreturn\n"
                                "*clear\ngetparam2 %11, %12, $13\nreturn\n",
                                "defsub mycmd\ndefsub pointer\ndefsub keep\ndefsub clear\n");
    ASSERT_EQ(result.status, 0) << result.stderr_text;
    EXPECT_EQ(var(1), 5);
    EXPECT_EQ(str(2), "x");
    EXPECT_EQ(var(20), 1); // return went on after the consumed arguments
    EXPECT_EQ(var(3), 7);
    EXPECT_EQ(var(10), 1);
    EXPECT_EQ(var(2), 9); // getparam leaves what the caller did not pass
    EXPECT_EQ(var(11), 1);
    EXPECT_EQ(var(12), 0); // getparam2 clears it
    EXPECT_EQ(str(13), "");
}

TEST_F(ControlFlowTest, ReturnSlotFollowsGetparamAndDiesWithItsFrame) {
    const std::string script = "*define\n*start\ncall 1, 2 : mov\n*call\ngetparam %0\n";
    engine.script.loadFromMemory(script.data(), script.size());
    const char* arguments = engine.script.bufferStart() + script.find("1, 2");
    engine.callSubroutine("call", arguments, CallKind::Plain);
    EXPECT_EQ(engine.current_label.name, "call");
    ASSERT_NE(engine.call_stack.returnSlot(), nullptr);
    EXPECT_EQ(*engine.call_stack.returnSlot(), arguments);

    engine.script.readToken();
    EXPECT_EQ(engine.getparamCommand(), RESULT_PROCEED);
    EXPECT_EQ(var(0), 1);
    EXPECT_EQ(*engine.call_stack.returnSlot(), arguments + 3); // at "2 : mov"

    // Frames pushed above it leave the slot where it was.
    for (int i = 0; i < 5000; ++i) engine.call_stack.push(FrameKind::For);
    EXPECT_EQ(engine.call_stack.returnSlot(), &engine.call_stack.all().front().address);
    engine.call_stack.clear();
    EXPECT_EQ(engine.call_stack.returnSlot(), nullptr);

    engine.callSubroutine("call", arguments, CallKind::Plain);
    engine.call_stack.pop();
    EXPECT_EQ(engine.call_stack.returnSlot(), nullptr);
}

// ---- User commands ----

TEST_F(ControlFlowTest, UserCommandsHideBuiltinsUnlessUnderscored) {
    ExitResult result = runGame("goto *x\n"
                                "_goto *y\n"
                                "*x\nmov %2, 1\nend\n"
                                "*y\n"
                                "first : second : mov %5, 1\n"
                                "end\n"
                                "*goto\ninc %1\nreturn\n"
                                "*first\ninc %3\nreturn\n"
                                "*second\ninc %4\nreturn\n",
                                "defsub goto\n"
                                "defsub first\nluasub first\n"
                                "luasub second\ndefsub second\n"
                                "defsub _hidden\n");
    ASSERT_EQ(result.status, 0) << result.stderr_text;
    EXPECT_EQ(var(1), 1);
    EXPECT_EQ(var(2), 0);
    EXPECT_EQ(var(3), 1); // first stays a subroutine
    EXPECT_EQ(var(4), 0); // second stays a command that does nothing
    EXPECT_EQ(var(5), 1);
    size_t declared = 0;
    for (const auto& list : engine.user_commands) declared += list.size();
    EXPECT_EQ(declared, 3u);
}

// ---- Misuse ----

TEST_F(ControlFlowTest, MisuseStops) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"return\n", "start:1", "return: not in gosub"},
        {"next\n", "start:1", "next: not in for loop\n"},
        {"break\n", "start:1", "break: not in for loop\n"},
        {"getparam %0\n", "start:1", "getparam: not in a subroutine"},
        // The innermost frame is of the other kind.
        {"gosub *s\n*s\nfor %0 = 1 to 2\nreturn\n", "s:2", "return: not in gosub"},
        {"for %0 = 1 to 2\ngosub *s\n*s\nnext\n", "s:1", "next: not in for loop\n"},
        {"gosub *s\n*s\nfor %0 = 1 to 2\ngetparam %1\n", "s:2", "getparam: not in a subroutine"},
        {"for $0 = 1 to 2\n", "start:1", "for: no integer variable."},
        {"for i%0 = 1 to 2\n", "start:1", "for: no integer variable."},
        {"for %0 1 to 2\n", "start:1", "for: missing '='"},
        {"for %0 = 1 till 2\n", "start:1", "for: missing 'to'"},
        {"textgosub *t\n", "start:1", "textgosub: not in the define section"},
        {"pretextgosub *t\n", "start:1", "pretextgosub: not in the define section"},
        {"loadgosub *t\n", "start:1", "loadgosub: not in the define section"},
        {"game\n", "start:1", "game: not in the define section"},
    };
    for (const auto& [body, place, message] : cases) {
        ExitResult result = runGame(body);
        EXPECT_EQ(result.status, -1) << body;
        EXPECT_EQ(result.stderr_text, parseErrorAt(place, message)) << body;
    }
}

// ---- Text hooks ----

TEST_F(ControlFlowTest, ReturnFromATextHookResumesTheText) {
    const std::string script = "*define\n*start\nsome text@more\n*hook\nreturn\nreturn *start\n";
    engine.script.loadFromMemory(script.data(), script.size());
    const char* text_line = engine.script.bufferStart() + script.find("some");
    const char* resume = engine.script.bufferStart() + script.find("more");

    auto callHook = [&](const char* wait_mark) {
        engine.script.wait_mark = wait_mark;
        engine.line_enter_state = 2;
        engine.pagetag_started = true;
        engine.callSubroutine("hook", text_line, CallKind::TextWait);
        engine.script.readToken();
    };

    callHook(resume);
    EXPECT_EQ(engine.current_label.name, "hook");
    EXPECT_EQ(engine.returnCommand(), RESULT_PROCEED);
    EXPECT_EQ(engine.script.read_position, resume);
    EXPECT_EQ(engine.line_enter_state, 2);
    EXPECT_EQ(engine.current_label.name, "start");

    callHook(nullptr); // no recorded resume: back to the line, whose state restarts
    EXPECT_EQ(engine.returnCommand(), RESULT_PROCEED);
    EXPECT_EQ(engine.script.read_position, text_line);
    EXPECT_EQ(engine.current_line, 1);
    EXPECT_EQ(engine.line_enter_state, 0);
    EXPECT_FALSE(engine.pagetag_started);

    callHook(resume); // a label argument wins over the resume position
    engine.script.jumpTo(engine.script.bufferStart() + script.find("return *start") + 6);
    EXPECT_EQ(engine.returnCommand(), RESULT_PROCEED);
    EXPECT_EQ(engine.current_label.name, "start");
    EXPECT_EQ(engine.script.read_position, text_line);
    EXPECT_EQ(engine.line_enter_state, 0);
    EXPECT_EQ(engine.call_stack.depth(), 0u);
}

// ---- Starting, restarting and ending ----

TEST_F(ControlFlowTest, GameKeepsGlobalsAndHookLabels) {
    ExitResult result =
        runGame("end\n*t\n*p\n*l\n", "mov %0, 5\nmov %250, 6\nmov $1, \"gone\"\n"
                                     "textgosub *t\npretextgosub *p\nloadgosub \"*l\"\n");
    ASSERT_EQ(result.status, 0) << result.stderr_text;
    EXPECT_FALSE(engine.in_define_section);
    EXPECT_EQ(engine.textgosub_label, "t");
    EXPECT_EQ(engine.pretextgosub_label, "p");
    EXPECT_EQ(engine.loadgosub_label, "l");
    EXPECT_EQ(var(0), 0);
    EXPECT_EQ(str(1), "");
    EXPECT_EQ(var(250), 6);
}

TEST_F(ControlFlowTest, ResetRestartsAtStartWithAnEmptyStack) {
    ExitResult result = runGame("inc %0\n"
                                "inc %250\n"
                                "if %250 < 3 gosub *again\n"
                                "end\n"
                                "*again\n"
                                "for %1 = 1 to 2\n"
                                "reset\n");
    ASSERT_EQ(result.status, 0) << result.stderr_text;
    EXPECT_EQ(var(250), 3);
    EXPECT_EQ(var(0), 1); // cleared by each reset
    EXPECT_EQ(var(1), 0);
    EXPECT_EQ(engine.call_stack.depth(), 0u);
}

TEST_F(ControlFlowTest, DefineresetReturnsToTheDefineSection) {
    const std::string script = "*define\ngame\n*start\nmycmd\n*mycmd\n";
    engine.script.archive_path = game.path().string() + "/";
    engine.script.loadFromMemory(script.data(), script.size());
    engine.definereset();
    engine.user_commands['m' - 'a'].push_back({"mycmd", false});
    engine.textgosub_label = "hook";
    engine.in_define_section = false;
    engine.skipping_to_next = true;
    engine.tilde_mark = engine.script.bufferStart();
    engine.script.setNumber(0, 4);
    engine.script.setNumber(250, 4);
    engine.callSubroutine("mycmd", engine.script.bufferStart(), CallKind::Plain);

    EXPECT_EQ(engine.defineresetCommand(), RESULT_PROCEED);
    EXPECT_TRUE(engine.in_define_section);
    EXPECT_EQ(engine.current_label.name, "define");
    EXPECT_EQ(engine.script.read_position, engine.current_label.body);
    EXPECT_EQ(engine.call_stack.depth(), 0u);
    EXPECT_EQ(engine.findUserCommand("mycmd"), nullptr);
    EXPECT_EQ(engine.textgosub_label, "");
    EXPECT_FALSE(engine.skipping_to_next);
    EXPECT_EQ(engine.tilde_mark, nullptr);
    EXPECT_EQ(var(0), 0);
    EXPECT_EQ(var(250), 0); // no global variable file to read them back from
}

TEST_F(ControlFlowTest, DefineresetKeepsGlobalsAndLogsAcrossTheRestart) {
    // The second pass sees the global counter and the label log of the first.
    ExitResult result = runGame("inc %200\n"
                                "if %200 == 1 goto *first\n"
                                "if lchk *first mov %201, 1\n"
                                "end\n"
                                "*first\n"
                                "definereset\n",
                                "labellog\nglobalon\n");
    ASSERT_EQ(result.status, 0) << result.stderr_text;
    EXPECT_EQ(var(200), 2);
    EXPECT_EQ(var(201), 1);
}

TEST_F(ControlFlowTest, EndWritesTheQuitFiles) {
    ExitResult result = runGame("mov %1, 1\nend\nmov %2, 1\n", "globalon\n");
    ASSERT_EQ(result.status, 0) << result.stderr_text;
    EXPECT_EQ(result.stderr_text, "");
    EXPECT_EQ(var(2), 0);
    EXPECT_TRUE(std::filesystem::exists(game.path() / "envdata"));
    EXPECT_TRUE(std::filesystem::exists(game.path() / "gloval.sav"));
}

} // namespace
} // namespace velmora
