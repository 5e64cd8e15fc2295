// The variable store of the ScriptStream: stores through a
// reference, arrays and the resets.
#include <gtest/gtest.h>

#include <cstring>
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

VarRef ref(int32_t kind, int32_t number) {
    VarRef r;
    r.kind = kind;
    r.number = number;
    return r;
}

class VariablesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string text = "?5[2][3]\n"
                                 "?5[2][3]\n"
                                 "?5[%1 + 1][2]\n"
                                 "?6[0]\n"
                                 "?5[3][0]\n"
                                 "?5[0][-1]\n"
                                 "?5[1\n";
        script.loadFromMemory(text.data(), text.size());
    }
    // The start of line n (from 0).
    const char* line(int n) const {
        const char* p = script.bufferStart();
        for (; n > 0; --n) p = std::strchr(p, '\n') + 1;
        return p;
    }
    void declareAt(const char* pos) {
        script.jumpTo(pos);
        script.declareArray();
    }
    int32_t integerAt(const char* pos) {
        script.jumpTo(pos);
        return script.readInteger();
    }

    ScriptStream script;
};

using VariablesArrayTest = VariablesTest;

TEST_F(VariablesTest, SetIntAndValueOfRefByKind) {
    script.setInt(ref(RefInteger, 20), 5, 2);
    EXPECT_EQ(script.variableSlot(22).value, 5);
    script.setInt(ref(RefInteger | RefPointer, -30), 6);
    EXPECT_EQ(script.variableSlot(-30).value, 6);
    expectFatal([&] { script.setInt(ref(RefInteger | RefConstant, 20), 1); },
                "setInt: no variables.");
    expectFatal([&] { script.setInt(ref(RefString, 20), 1); }, "setInt: no variables.");
    EXPECT_EQ(script.variableSlot(20).value, 0);

    EXPECT_EQ(script.valueOfRef(ref(RefInteger, 22)), 5);
    EXPECT_EQ(script.valueOfRef(ref(RefInteger | RefConstant, 22)), 0);
}

TEST_F(VariablesTest, SetStringForms) {
    std::string text = "old";
    ScriptStream::setString(text, "abcdef", 3);
    EXPECT_EQ(text, "abc");
    ScriptStream::setString(text, "whole");
    EXPECT_EQ(text, "whole");
    ScriptStream::setString(text, nullptr);
    EXPECT_TRUE(text.empty());
}

TEST_F(VariablesTest, ResetsClearTheStore) {
    script.setNumber(5, 1);
    ScriptStream::setString(script.variableSlot(5).text, "local");
    script.setNumber(300, 2);
    script.variableSlot(300).limited = true;
    script.setNumber(9000, 3);
    script.addNumAlias("n", 1);
    script.addStrAlias("s", "t");
    declareAt(line(0));

    script.clearLocalVariables();
    EXPECT_EQ(script.variableSlot(5).value, 0);
    EXPECT_TRUE(script.variableSlot(5).text.empty());
    EXPECT_EQ(script.variableSlot(300).value, 2);

    script.english_lines = true;
    script.resetScriptState();
    EXPECT_EQ(script.variableSlot(300).value, 0);
    EXPECT_FALSE(script.variableSlot(300).limited);
    EXPECT_TRUE(script.overflow_slots.empty());
    EXPECT_TRUE(script.arrays.empty());
    EXPECT_EQ(script.findNumAlias("n"), nullptr);
    EXPECT_EQ(script.findStrAlias("s"), nullptr);
    EXPECT_FALSE(script.english_lines);
    EXPECT_TRUE(script.text_token);

    script.global_border = 100000; // bounded by the slot count
    script.setNumber(4095, 1);
    script.clearLocalVariables();
    EXPECT_EQ(script.variableSlot(4095).value, 0);
}

TEST_F(VariablesArrayTest, RowMajorCellsAndOffset) {
    declareAt(line(0));
    const ArrayVar* array = script.findArray(5);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->extents[0], 3);
    EXPECT_EQ(array->extents[1], 4);
    ASSERT_EQ(array->cells.size(), 12u);

    script.jumpTo(line(1));
    script.readVariableRef();
    script.setInt(script.last_ref, 77);
    EXPECT_EQ(array->cells[11], 77);
    EXPECT_EQ(integerAt(line(1)), 77);

    // The index expression reads %1, yet the reference stays on array 5.
    integerAt(line(2));
    EXPECT_EQ(script.last_ref.kind, RefArray);
    EXPECT_EQ(script.last_ref.number, 5);
    script.saveVariableRef();
    script.setInt(script.saved_ref, 66, 1); // [1][2] moved by 1 along the last dimension
    EXPECT_EQ(array->cells[1 * 4 + 3], 66);
    expectFatal([&] { script.setInt(script.saved_ref, 1, 2); },
                "dim[i-1] <= array.dim[i-1] + offset.");
    expectFatal([&] { script.setInt(script.saved_ref, 1, -3); }, "negative index");
}

TEST_F(VariablesArrayTest, AccessErrors) {
    declareAt(line(0));
    expectFatal([&] { integerAt(line(3)); }, "Array No. is not declared.");
    expectFatal([&] { integerAt(line(4)); }, "dim[i] <= array.dim[i].");
    expectFatal([&] { integerAt(line(5)); }, "arrayCell: negative index.");
    expectFatal([&] { integerAt(line(6)); }, "parseArray: missing ']'.");

    std::string many = "?5";
    for (int i = 0; i < 21; i++) many += "[0]";
    script.loadFromMemory(many.data(), many.size());
    expectFatal([&] { integerAt(script.bufferStart()); }, "parseArray: too many indices.");
}

TEST_F(VariablesArrayTest, DeclarationErrors) {
    for (const char* bytes : {"?7[-1]", "?7[2147483647]", "?7[99999][99999]", "?7"}) {
        const std::string text = bytes;
        script.loadFromMemory(text.data(), text.size());
        expectFatal([&] { declareAt(script.bufferStart()); }, "dim: ");
        EXPECT_EQ(script.findArray(7), nullptr) << text;
    }
}

} // namespace
} // namespace velmora
