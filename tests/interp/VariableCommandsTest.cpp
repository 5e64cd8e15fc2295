// The define-section commands of the variable store: intlimit, dim, numalias
// and stralias.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "interp/CommandInterpreter.h"

namespace velmora {
namespace {

class VariableCommandsTest : public ::testing::Test {
  protected:
    // Loads `arguments` as the whole script, read from its start in the define section.
    void load(const std::string& arguments) {
        script.loadFromMemory(arguments.data(), arguments.size());
        script.jumpTo(script.bufferStart());
        interp.in_define_section = true;
    }

    CommandInterpreter interp;
    ScriptStream& script = interp.script;
};

TEST_F(VariableCommandsTest, IntlimitClampsBothEnds) {
    load("10, 0, 100\n");
    EXPECT_EQ(interp.intlimitCommand(), RESULT_PROCEED);
    script.setNumber(10, 150);
    EXPECT_EQ(script.variableSlot(10).value, 100);
    VarRef ref;
    ref.kind = RefInteger;
    ref.number = 10;
    script.setInt(ref, -5);
    EXPECT_EQ(script.variableSlot(10).value, 0);
    script.setNumber(11, 150); // the neighbour is not limited
    EXPECT_EQ(script.variableSlot(11).value, 150);
}

TEST_F(VariableCommandsTest, DimDeclaresExtentsPlusOne) {
    load("?5[2][3]\n");
    EXPECT_EQ(interp.dimCommand(), RESULT_PROCEED);
    const ArrayVar* array = script.findArray(5);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->dimension_count, 2);
    EXPECT_EQ(array->cells.size(), 12u);
    EXPECT_EQ(*script.read_position, '\n');
}

TEST_F(VariableCommandsTest, AliasesTakeNameThenValue) {
    load("Ten, 5 * 2\ngreeting, \"hi \" + \"there\"\n");
    EXPECT_EQ(interp.numaliasCommand(), RESULT_PROCEED);
    script.readToken();
    EXPECT_EQ(interp.straliasCommand(), RESULT_PROCEED);
    const NumAlias* number = script.findNumAlias("ten");
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(number->value, 10);
    const StrAlias* text = script.findStrAlias("greeting");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text, "hi there");
}

} // namespace
} // namespace velmora
