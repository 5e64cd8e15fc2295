// Integer and string expressions of the ScriptStream, read through
// readInteger and readStr.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

#include "TestSupport.h"
#include "script/ScriptStream.h"

namespace velmora {
namespace {

void expectFatal(const std::function<void()>& body, const std::string& message) {
    auto result = test::runTrappingExit(body);
    EXPECT_EQ(result.status, -1);
    EXPECT_NE(result.stderr_text.find(message), std::string::npos) << result.stderr_text;
}

class ExpressionTest : public ::testing::Test {
  protected:
    void load(const std::string& text) {
        script.loadFromMemory(text.data(), text.size());
        script.jumpTo(script.bufferStart());
    }
    int32_t integer(const std::string& text) {
        load(text);
        return script.readInteger();
    }
    std::string str(const std::string& text) {
        load(text);
        return script.readStr();
    }
    // The unread rest of the current line.
    std::string unread() const {
        const std::string rest = script.read_position;
        return rest.substr(0, rest.find('\n'));
    }
    // Evaluate text held outside the script buffer: it ends in its 0 byte,
    // without the line feed that the loader appends.
    std::string rawInteger(const std::string& text, int32_t& value) {
        load("\n");
        const char* p = text.c_str();
        value = script.evalIntExpr(p);
        return p;
    }
    std::string rawStr(const std::string& text) {
        load("\n");
        const char* p = text.c_str();
        script.parseStr(p);
        EXPECT_EQ(*p, '\0');
        return std::string(script.piece_buffer.data(), script.piece_length);
    }

    ScriptStream script;
};

using ExpressionIntTest = ExpressionTest;
using ExpressionStrTest = ExpressionTest;

TEST_F(ExpressionIntTest, PrecedenceAndTruncation) {
    EXPECT_EQ(integer("1 + 2 * 3\n"), 7);
    EXPECT_EQ(integer("10 - 4 - 3\n"), 3);
    EXPECT_EQ(integer("7 mod 3 * 2\n"), 2);
    EXPECT_EQ(integer("-(2+3)*2\n"), -10);
    EXPECT_EQ(integer("1 - 2 * 3 - 4\n"), -9);
    EXPECT_EQ(integer("-7 / 2\n"), -3);
    EXPECT_EQ(integer("-7 mod 2\n"), -1);
}

TEST_F(ExpressionIntTest, OperandMissingLeavesOperatorUnread) {
    EXPECT_EQ(integer("2 * -3\n"), 2);
    EXPECT_EQ(unread(), "* -3");
    // `mod` is an operator only before a blank, $, %, ? or a digit.
    EXPECT_EQ(integer("7 mod(2)\n"), 7);
    EXPECT_EQ(unread(), "mod(2)");
}

TEST_F(ExpressionIntTest, VariablesAliasesAndReferences) {
    load("%%8\n%3 + 0\nTEN * %5000\nnothing + 1\n");
    script.setNumber(8, 3);
    script.setNumber(3, 42);
    script.setNumber(5000, 2); // an overflow slot
    script.addNumAlias("ten", 10);
    EXPECT_EQ(script.readInteger(), 42);
    EXPECT_EQ(script.last_ref.kind, RefInteger);
    EXPECT_EQ(script.last_ref.number, 3);
    script.readToken(); // each line feed
    EXPECT_EQ(script.readInteger(), 42);
    EXPECT_EQ(script.last_ref.kind, RefInteger | RefConstant);
    script.readToken();
    EXPECT_EQ(script.readInteger(), 20);
    EXPECT_EQ(script.overflow_slots.size(), 1u);
    script.readToken();
    EXPECT_EQ(script.readInteger(), 0);
    EXPECT_EQ(script.last_ref.kind, 0);
    EXPECT_EQ(unread(), "nothing + 1");
}

TEST_F(ExpressionIntTest, ArithmeticWraps) {
    EXPECT_EQ(integer("2147483647 + 1\n"), INT_MIN);
    EXPECT_EQ(integer("65536 * 65536\n"), 0);
    EXPECT_EQ(integer("4294967297\n"), 1);
    EXPECT_EQ(integer("-(2147483647 + 1)\n"), INT_MIN);
}

TEST_F(ExpressionIntTest, MendedDivisionFaults) {
    for (const char* text : {"7 / 0\n", "7 mod 0\n"}) {
        int32_t value = -1;
        auto result = test::runTrappingExit([&] { value = integer(text); });
        EXPECT_FALSE(result.exited());
        EXPECT_EQ(value, 0) << text;
        EXPECT_NE(result.stderr_text.find("by zero"), std::string::npos) << text;
    }
    load("-2147483648 / %1\n-2147483648 mod %1\n");
    script.setNumber(1, -1);
    EXPECT_EQ(script.readInteger(), INT_MIN);
    script.readToken();
    EXPECT_EQ(script.readInteger(), 0);
}

TEST_F(ExpressionIntTest, MalformedInputStopsAtEndOfBuffer) {
    int32_t value = 0;
    EXPECT_EQ(rawInteger("12 + 3 *", value), "*");
    EXPECT_EQ(value, 15);
    EXPECT_EQ(rawInteger("7 mo", value), "mo");
    expectFatal([&] { rawInteger("-(3", value); }, "Missing ')' in expression");
    expectFatal([&] { rawInteger("?5[1", value); }, "parseArray: missing ']'.");
    expectFatal([&] { integer(std::string(2000, '(') + "1"); }, "nested too deeply");
    expectFatal([&] { integer(std::string(2000, '%') + "1"); }, "nested too deeply");
}

TEST_F(ExpressionStrTest, OperandsAndConcatenation) {
    load("\"abc\"+$1+\"def\"\n$1\n");
    ScriptStream::setString(script.variableSlot(1).text, "XY");
    EXPECT_STREQ(script.readStr(), "abcXYdef");
    script.readToken();
    EXPECT_STREQ(script.readStr(), "XY");
    EXPECT_EQ(script.last_ref.kind, RefString);
    EXPECT_EQ(script.last_ref.number, 1);

    EXPECT_EQ(str("`one byte`\n"), "`one byte");
    EXPECT_TRUE(script.end_flags & END_ONE_BYTE);
    EXPECT_EQ(str("#ff00aa + \"!\"\n"), "#ff00aa!");
    EXPECT_EQ(str("* Start_2\n"), "*start_2");
    // 0x83 0x60 is one two-byte character whose second byte is a backquote.
    EXPECT_EQ(str("`\x83\x60x`\n"), "`\x83\x60x");
    EXPECT_EQ(rawStr("\"unterminated"), "unterminated");
    EXPECT_EQ(rawStr("`\x83"), "`\x83");
    EXPECT_EQ(rawStr("#ff"), "#ff");
}

TEST_F(ExpressionStrTest, StringAliases) {
    load("GREET + \"!\"\n");
    script.addStrAlias("greet", "hello");
    EXPECT_STREQ(script.readStr(), "hello!");
    expectFatal([&] { str("5abc\n"); }, "number is not allowed for the first letter of str alias");

    testing::internal::CaptureStdout();
    auto result = test::runTrappingExit([&] { str("missing\n"); });
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(result.status, -1);
    EXPECT_NE(out.find("can't find str alias for missing..."), std::string::npos) << out;
}

TEST_F(ExpressionStrTest, FileLogCondition) {
    load("(\"bg.png\") \"shown\" \"new\"\n(\"other.png\") \"shown\" \"new\"\n");
    script.findInLog(script.file_log, "bg.png", true);
    EXPECT_STREQ(script.readStr(), "shown");
    script.readToken();
    EXPECT_STREQ(script.readStr(), "new");
    expectFatal([&] { str("(\"bg.png\" \"a\"\n"); }, "parseStr: missing ')'.");
}

TEST_F(ExpressionStrTest, LengthLimits) {
    const std::string message = "readStr: string length exceeds 2048 bytes.";
    EXPECT_EQ(str("\"" + std::string(2046, 'a') + "\"\n").size(), 2046u);
    expectFatal([&] { str("\"" + std::string(2047, 'a') + "\"\n"); }, message);
    // Longer operands never reach readStr's check: the piece itself is bounded.
    expectFatal([&] { str("\"" + std::string(3000, 'a') + "\"\n"); }, message);
    expectFatal(
        [&] {
            load("long\n");
            script.addStrAlias("long", std::string(3000, 'b'));
            script.readStr();
        },
        message);
}

} // namespace
} // namespace velmora
