#include <gtest/gtest.h>

#include <set>
#include <string>

#include "interp/CommandTable.h"

using velmora::command_table;
using velmora::Velmora;

TEST(CommandTable, EveryNameIsFoundThroughTheLetterIndex) {
    Velmora engine;
    std::set<std::string> names;
    int count = 0;
    for (; command_table[count].handler; ++count) {
        const char* name = command_table[count].name;
        EXPECT_TRUE(names.insert(name).second) << "duplicate " << name;
        EXPECT_EQ(engine.findCommand(name), &command_table[count]) << name;
    }
    EXPECT_EQ(count, 336);
    EXPECT_EQ(engine.findCommand("gotoo"), nullptr);
    EXPECT_EQ(engine.findCommand("got"), nullptr);
    EXPECT_EQ(engine.findCommand("Goto"), nullptr);
    EXPECT_EQ(engine.findCommand("_goto"), nullptr);
}
