// The pages of text before the current one: how many are kept, what getlog,
// gettaglog, gettext and checkpage read of them, lookbackflush, and a saved
// game that brings them back.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace velmora {
namespace {

using test::ScratchDir;

// あ … お, one page each, in Shift_JIS.
const char* const PAGES[] = {"\x82\xa0", "\x82\xa2", "\x82\xa4", "\x82\xa6", "\x82\xa8"};

TEST(LookbackGameTest, TheRingKeepsItsPagesAndALoadedGameGetsThemBack) {
    ScratchDir game;
    std::string start = "autoclick 10\n";
    for (const char* page : PAGES) start += std::string(page) + "\\\n";
    start += "checkpage %1,2 : checkpage %2,3\n"
             "getlog $1,1 : getlog $2,2 : getlog $3,3\n"
             // Two lines on one page: gettext joins them, getlog 0 keeps the line feeds.
             "\x82\xa9/\nbr\n\x82\xab\ngettext $4 : getlog $5,0\n"
             "savegame 1\n"
             "if %4 == 0 : mov %4,1 : lookbackflush : checkpage %3,1 : loadgame 1\n"
             // After the load: the pages the save held are back.
             "getlog $6,1\n";
    const test::RunResult run =
        test::playScripted(game, start, "",
                           "maxkaisoupage 2\n"
                           "setwindow 10,20,5,4,20,20,2,4,0,0,0,\"#808080\",0,0,319,239\n");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<int32_t> v = test::globalValues(game);
    const std::vector<std::string> t = test::globalTexts(game);
    EXPECT_EQ(v[1], 1); // two pages back exist...
    EXPECT_EQ(v[2], 0); // ...three do not: the ring holds three pages
    EXPECT_EQ(t[1], PAGES[4]);
    EXPECT_EQ(t[2], PAGES[3]);
    EXPECT_EQ(t[3], "");
    EXPECT_EQ(t[4], "\x82\xa9\x82\xab");
    EXPECT_EQ(t[5], "\x82\xa9\n\x82\xab\n");
    EXPECT_EQ(v[3], 0); // lookbackflush left no page before the current one
    EXPECT_EQ(t[6], PAGES[4]);
}

TEST(LookbackGameTest, CheckpageIntoATextVariableStopsTheGame) {
    ScratchDir game;
    const test::RunResult run = test::playScripted(game, "checkpage $0,1\nmov %1,1\n", "");
    EXPECT_EQ(run.status, 255);
    EXPECT_NE(run.err.find("[checkpage: no integer variable.]"), std::string::npos) << run.err;
    EXPECT_EQ(test::globalValues(game)[1], 0);
}

} // namespace
} // namespace velmora
