// The value commands, run through the command table on scripts held in
// memory, and the define-section leftover of `mov` in a whole game.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <ctime>
#include <string>

#include "TestSupport.h"
#include "engine/Velmora.h"

namespace velmora {
namespace {

using test::ExitResult;
using test::runTrappingExit;

class ValueCommandsTest : public ::testing::Test {
  protected:
    void load(const std::string& text) {
        script.loadFromMemory(text.data(), text.size());
        engine.in_define_section = true; // for dim and intlimit
    }
    // Runs the next command of the loaded script through the command table.
    void step() {
        const char* token = script.readToken();
        while (token[0] == '\n') token = script.readToken();
        ASSERT_FALSE(script.lastTokenWasText()) << token;
        const CommandEntry* entry = engine.findCommand(token[0] == '_' ? token + 1 : token);
        ASSERT_NE(entry, nullptr) << token;
        EXPECT_EQ((engine.*entry->handler)(), RESULT_PROCEED) << token;
    }
    // Runs every command of the loaded script.
    void runAll() {
        for (;;) {
            while (*script.read_position == '\n') script.jumpTo(script.read_position + 1);
            if (*script.read_position == '\0') return;
            step();
            if (testing::Test::HasFatalFailure()) return;
        }
    }
    void run(const std::string& text) {
        load(text);
        runAll();
    }
    ExitResult runFailing(const std::string& text) {
        load(text);
        return runTrappingExit([this] { runAll(); });
    }
    int32_t num(int32_t n) { return script.variableSlot(n).value; }
    const std::string& str(int32_t n) { return script.variableSlot(n).text; }
    // %0, %1, ... hold `values`.
    void expectNumbers(std::initializer_list<int32_t> values) {
        int32_t n = 0;
        for (int32_t v : values) {
            EXPECT_EQ(num(n), v) << "%" << n;
            ++n;
        }
    }
    // $0, $1, ... hold `texts`.
    void expectTexts(std::initializer_list<std::string> texts) {
        int32_t n = 0;
        for (const std::string& t : texts) {
            EXPECT_EQ(str(n), t) << "$" << n;
            ++n;
        }
    }
    int32_t cell(int32_t array, int32_t index) {
        VarRef ref;
        ref.kind = RefArray;
        ref.number = array;
        ref.indices[0] = index;
        return script.valueOfRef(ref);
    }

    Velmora engine;
    ScriptStream& script = engine.script;
};

bool mentions(const ExitResult& result, const char* text) {
    return result.stderr_text.find(text) != std::string::npos;
}

TEST_F(ValueCommandsTest, MovFamilyStoresIntoConsecutiveVariables) {
    run("mov %0, 5\n"
        "mov3 %1, 7, 8\n"
        "_mov4 %10, 1, 2, 3, 4\n"
        "dim ?1[4]\n"
        "movl ?1[2], 7, 8\n"
        "intlimit 20, 0, 10\n"
        "mov %20, 50\n"
        "mov $0, \"ab\" + \"cd\"\n");
    EXPECT_EQ(num(0), 5);
    EXPECT_EQ(num(1), 7);
    EXPECT_EQ(num(2), 8);
    EXPECT_EQ(num(3), 0);
    EXPECT_EQ(num(13), 4);
    EXPECT_EQ(cell(1, 2), 7);
    EXPECT_EQ(cell(1, 3), 8);
    EXPECT_EQ(cell(1, 4), 0);
    EXPECT_EQ(num(20), 10);
    EXPECT_EQ(str(0), "abcd");
}

TEST_F(ValueCommandsTest, ValuesPastTheCountAreLeftForTheLoop) {
    const std::pair<const char*, const char*> cases[] = {
        {"mov %0, 1, 2\n", "2"},
        {"mov3 %0, 1, 2, 3, 4\n", "4"},
        {"mov10 %0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11\n", "11"},
        {"movl %0, 1, 2, 3\n", ""},
        {"mov $0, \"a\", \"b\"\n", "\"b\""},
    };
    for (const auto& [line, rest] : cases) {
        load(line);
        step();
        const char* at = script.read_position;
        EXPECT_EQ(std::string(at, std::strchr(at, '\n')), rest) << line;
    }
    load("mov10 %0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11\n");
    step();
    EXPECT_EQ(num(9), 10);
    EXPECT_EQ(num(10), 0);
}

TEST_F(ValueCommandsTest, AddAddsIntegersAndAppendsTexts) {
    run("intlimit 5, 0, 10\n"
        "mov %5, 8\n"
        "add %5, 3\n"
        "mov %0, 2147483647\n"
        "add %0, 1\n"
        "add $1, \"abc\"\n"
        "add $1, \"def\" + \"g\"\n");
    EXPECT_EQ(num(5), 10);
    EXPECT_EQ(num(0), INT_MIN);
    EXPECT_EQ(str(1), "abcdefg");
}

TEST_F(ValueCommandsTest, DestinationsThatAreNotVariablesStop) {
    const std::pair<const char*, const char*> cases[] = {
        {"mov 5, 1\n", "[mov: no variable]"},
        {"add \"x\", 1\n", "[add: no variable.]"},
        {"mid %0, \"abc\", 0, 1\n", "[mid: no string variable]"},
        {"itoa2 %0, 5\n", "[itoa: no string variable.]"},
        {"sub 5, 1\n", "setInt: no variables."},
        {"inc 3\n", "setInt: no variables."},
        {"sin %0 + 1, 30\n", "setInt: no variables."},
        {"len 2, \"ab\"\n", "setInt: no variables."},
        {"date %0, 5, %2\n", "setInt: no variables."},
        {"split \"1,2\", \",\", %0, 7\n", "setInt: no variables."},
    };
    for (const auto& [line, message] : cases) {
        ExitResult result = runFailing(line);
        EXPECT_EQ(result.status, -1) << line;
        EXPECT_TRUE(mentions(result, message)) << line << result.stderr_text;
    }
}

TEST_F(ValueCommandsTest, AppendingPastTheStringLimitStops) {
    const std::string half(1500, 'x');
    ExitResult result = runFailing("add $1, \"" + half + "\"\nadd $1, \"" + half + "\"\n");
    EXPECT_EQ(result.status, -1);
    EXPECT_TRUE(mentions(result, "add: string length exceeds 2048 bytes.")) << result.stderr_text;
    EXPECT_EQ(str(1).size(), half.size());
}

TEST_F(ValueCommandsTest, ArithmeticTruncatesAndWraps) {
    load("mov3 %0, 7, 7, 7\n"
         "sub %0, 10\n"
         "mul %1, 3 + 1\n"
         "div %2, 0 - 2\n"
         "mov3 %3, -7, -7, 65536\n"
         "div %3, 2\n"
         "mod %4, 2\n"
         "mul %5, 65536\n"
         "dim ?2[3]\n"
         "mov ?2[1], 5\n"
         "sub ?2[1], 9\n"
         "inc %6\n"
         "dec %7\n"
         "inc ?2[1]\n");
    runAll();
    expectNumbers({-3, 28, -3, -3, -1, 0 /* 2^32 wraps */, 1, -1});
    EXPECT_EQ(cell(2, 1), -3);
}

TEST_F(ValueCommandsTest, ArithmeticEdgesOfTheInt32Range) {
    load("div %0, -1\nmod %1, -1\ndiv %2, 0\nmod %3, 0\ninc %4\ndec %5\n");
    for (int32_t n : {0, 1, 2, 3}) script.setNumber(n, INT_MIN);
    script.setNumber(4, INT_MAX);
    script.setNumber(5, INT_MIN);
    ExitResult result = runTrappingExit([this] { runAll(); });
    EXPECT_FALSE(result.exited());
    expectNumbers({INT_MIN, 0, 0, 0, INT_MIN, INT_MAX});
    EXPECT_EQ(result.stderr_text, "Division by zero in expression; the result is 0.\n"
                                  "Modulo by zero in expression; the result is 0.\n");
}

TEST_F(ValueCommandsTest, TrigonometryTruncatesTowardZero) {
    run("sin %0, 30\ncos %1, 60\ntan %2, 45\nsin %3, 90\ncos %4, 90\n"
        "sin %5, -30\ntan %6, 89\ncos %7, 180\n");
    expectNumbers({499, 500, 999, 1000, 0, -499, 57289, -1000});
}

TEST_F(ValueCommandsTest, TangentAtRightAnglesSaturates) {
    run("tan %0, 90\ntan %1, -90\ntan %2, 270\ntan %3, 127\n");
    // 270 degrees in double precision lies just short of 3π/2, where the tangent is positive.
    expectNumbers({INT_MAX, INT_MIN, INT_MAX, -1327});
}

TEST_F(ValueCommandsTest, RandomValuesStayInTheirRange) {
    bool seen[10] = {};
    bool wide_negative = false;
    bool wide_positive = false;
    for (int i = 0; i < 400; ++i) {
        run("rnd %0, 1\nrnd2 %1, 5, 5\nrnd %2, 10\nrnd2 %3, -3, 3\n"
            "rnd2 %4, -2147483648, 2147483647\n");
        EXPECT_EQ(num(0), 0);
        EXPECT_EQ(num(1), 5);
        ASSERT_GE(num(2), 0);
        ASSERT_LE(num(2), 9);
        seen[num(2)] = true;
        EXPECT_GE(num(3), -3);
        EXPECT_LE(num(3), 3);
        wide_negative |= num(4) < 0;
        wide_positive |= num(4) > 0;
    }
    for (int v = 0; v < 10; ++v) EXPECT_TRUE(seen[v]) << v;
    // The full int32 range has a span of 2^32, which must not collapse to 0.
    EXPECT_TRUE(wide_negative && wide_positive);
}

TEST_F(ValueCommandsTest, EmptyRandomRangesGiveTheirLowEnd) {
    run("rnd %0, 0\nrnd %1, -5\nrnd2 %2, 9, 3\n");
    expectNumbers({0, 0, 9});
}

TEST(RandomSourceTest, FifteenBitValuesRepeatableFromASeed) {
    RandomSource a;
    RandomSource b;
    a.seed(12345);
    b.seed(12345);
    int32_t low = RANDOM_MAX;
    int32_t high = 0;
    int32_t odd = 0;
    for (int i = 0; i < 4096; ++i) {
        const int32_t v = a.next();
        ASSERT_EQ(v, b.next());
        ASSERT_GE(v, 0);
        ASSERT_LE(v, RANDOM_MAX);
        low = std::min(low, v);
        high = std::max(high, v);
        odd += v & 1;
    }
    EXPECT_LT(low, 100);
    EXPECT_GT(high, RANDOM_MAX - 100);
    EXPECT_NEAR(odd, 2048, 200);
    b.seed(54321);
    a.seed(12345);
    EXPECT_NE(a.next() * 32768 + a.next(), b.next() * 32768 + b.next());
}

TEST_F(ValueCommandsTest, CmpOrdersUnsignedBytes) {
    run("cmp %0, \"a\", \"b\"\ncmp %1, \"b\", \"a\"\ncmp %2, \"abc\", \"abc\"\n"
        "cmp %3, \"ab\", \"abc\"\ncmp %4, \"\x82\xa0\", \"z\"\n");
    expectNumbers({-1, 1, 0, -1, 1});
}

TEST_F(ValueCommandsTest, LenCountsBytes) {
    run("mov $1, \"xy\"\nlen %0, \"abc\"\nlen %1, \"\x82\xa0z\"\nlen %2, $1 + \"q\"\n"
        "len %3, \"\"\n");
    expectNumbers({3, 3, 3, 0});
}

TEST_F(ValueCommandsTest, MidCutsAndClipsByBytes) {
    run("mov $0, \"old\"\nmov $1, \"old\"\nmov $2, \"old\"\nmov $3, \"old\"\n"
        "mov $4, \"old\"\nmov $5, \"abcdef\"\n"
        "mid $0, \"abcdef\", 2, 10\n"
        "mid $1, \"abc\", 3, 1\n"
        "mid $2, \"abc\", -1, 2\n"
        "mid $3, \"abc\", 1, -1\n"
        "mid $4, \"abcdef\", 1, 2147483647\n"
        "mid $5, $5, 1, 2\n"
        "mid $6, \"abc\", 2147483647, 5\n"
        "mid $7, \"\x82\xa0\x82\xa2\", 1, 2\n");
    expectTexts({"cdef", "", "", "", "bcdef", "bc", "", "\xa0\x82"});
}

TEST_F(ValueCommandsTest, AtoiReadsTheLeadingNumber) {
    run("atoi %0, \"123abc\"\natoi %1, \"  -42x\"\natoi %2, \"abc\"\natoi %3, \"+7\"\n"
        "atoi %4, \"99999999999\"\natoi %5, \"-99999999999\"\natoi %6, \"-2147483648\"\n"
        "atoi %7, \"1 2\"\n");
    expectNumbers({123, -42, 0, 7, INT_MAX, INT_MIN, INT_MIN, 1});
}

TEST_F(ValueCommandsTest, ItoaAndItoa2GiveThePlainDecimalText) {
    load("itoa $0, 0\nitoa $1, -123\nitoa $2, %9\n"
         "itoa2 $3, 0\nitoa2 $4, -123\nitoa2 $5, %9\nitoa2 $6, 2147483647\n");
    script.setNumber(9, INT_MIN);
    runAll();
    expectTexts({"0", "-123", "-2147483648", "0", "-123", "-2147483648", "2147483647"});
}

TEST_F(ValueCommandsTest, SplitFillsVariablesPieceByPiece) {
    run("mov $4, \"old\"\nmov %5, 9\ndim ?1[2]\n"
        "split \"a,bb,ccc\", \",\", $1, %2, $3, $4, %5\n"
        "splitstring \"12;-3;;x\", \";\", %6, ?1[1], %7, ?1[2]\n");
    EXPECT_EQ(str(1), "a");
    EXPECT_EQ(num(2), 0);
    EXPECT_EQ(str(3), "ccc");
    EXPECT_EQ(str(4), "");
    EXPECT_EQ(num(5), 0);
    EXPECT_EQ(num(6), 12);
    EXPECT_EQ(cell(1, 1), -3);
    EXPECT_EQ(num(7), 0);
    EXPECT_EQ(cell(1, 2), 0);
}

TEST_F(ValueCommandsTest, SplitKeepsTwoByteCharactersAndLongPieces) {
    const std::string long_piece(600, 'x');
    // 0x95 0x5C is one two-byte character whose second byte is the delimiter.
    run("split \"\x95\\A\\B\", \"\\\", $1, $2, $3\n"
        "split \"" +
        long_piece + "|y\", \"|\", $4, $5\n");
    EXPECT_EQ(str(1), "\x95\\A");
    EXPECT_EQ(str(2), "B");
    EXPECT_EQ(str(3), "");
    EXPECT_EQ(str(4), long_piece);
    EXPECT_EQ(str(5), "y");
}

TEST_F(ValueCommandsTest, DateAndTimeFollowTheLocalClock) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::time_t before = std::time(nullptr);
        run("date %0, %1, %2\ntime %3, %4, %5\n");
        const std::time_t after = std::time(nullptr);
        if (before != after) continue; // the second changed during the run
        std::tm local{};
        localtime_r(&before, &local);
        EXPECT_EQ(num(0), (local.tm_year + 1900) % 100);
        EXPECT_EQ(num(1), local.tm_mon + 1);
        EXPECT_EQ(num(2), local.tm_mday);
        EXPECT_EQ(num(3), local.tm_hour);
        EXPECT_EQ(num(4), local.tm_min);
        EXPECT_EQ(num(5), local.tm_sec);
        return;
    }
    ADD_FAILURE() << "the clock never held still for one run";
}

TEST_F(ValueCommandsTest, GetversionStores296) {
    run("getversion %0\n");
    EXPECT_EQ(num(0), 296);
}

TEST(ValueCommandsGameTest, LeftoverValueInTheDefineSectionIsAParseError) {
    test::ScratchDir game;
    game.write("0.txt", "*define\n"
                        "mov %0, 1\n"
                        "mov %1, 1, 2\n"
                        "game\n"
                        "*start\n"
                        "end\n");
    test::RunResult result = test::runEngine({"-r", game.path().string()}, game.path());
    EXPECT_EQ(result.status, 255);
    EXPECT_NE(result.err.find(
                  " *** Parse error at define:2 [text cannot be displayed in define section.] ***"),
              std::string::npos)
        << result.err;
}

} // namespace
} // namespace velmora
