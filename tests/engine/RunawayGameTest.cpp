// Games that would take all the machine's memory: endless recursion stops at
// the call-stack limit with a parse error, and an allocation that fails ends
// the program with a message and status -1 rather than an abort or a hang.
// Each game runs with its memory capped, so a regression fails the test
// instead of exhausting the machine.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "ScreenshotGame.h"

namespace velmora {
namespace {

using test::gameScript;
using test::runEngine;
using test::ScratchDir;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool ADDRESS_SANITIZER = true;
#elif defined(__has_feature)
constexpr bool ADDRESS_SANITIZER = __has_feature(address_sanitizer);
#else
constexpr bool ADDRESS_SANITIZER = false;
#endif

// The engine maps about 200 MB of address space after start-up; the cap
// leaves it room to run but not a gigabyte. The sanitizer reserves far more
// address space than any cap allows, so its build runs uncapped.
constexpr uint64_t MEMORY_CAP = ADDRESS_SANITIZER ? 0 : uint64_t{512} * 1024 * 1024;

test::RunResult playCapped(const ScratchDir& game, const std::string& script) {
    game.write("0.txt", script);
    return runEngine({"-r", game.path().string()}, game.path(), 20, {}, true, MEMORY_CAP);
}

TEST(RunawayGameTest, EndlessNestingStopsAtTheCallStackLimit) {
    struct Case {
        std::string define;
        std::string start;
        const char* error;
    };
    const std::vector<Case> cases{
        {"", "gosub *a\n*a\ngosub *a\n",
         " *** Parse error at a:1 [the call stack is full (10000 frames) at a call of *a] ***\n"},
        // A loop left by goto keeps its frame.
        {"", "*b\nfor %0 = 1 to 2\ngoto *b\n",
         " *** Parse error at b:1 [the call stack is full (10000 frames) at for] ***\n"},
        {"defsub again\n", "again\n*again\nagain\n",
         " *** Parse error at again:1 [the call stack is full (10000 frames) at a call of "
         "*again] ***\n"},
    };
    for (const Case& c : cases) {
        ScratchDir game;
        auto run = playCapped(game, gameScript(c.start, c.define));
        EXPECT_EQ(run.status, 255) << c.start << run.err;
        EXPECT_EQ(run.err, c.error) << c.start;
    }
}

TEST(RunawayGameTest, FailedAllocationEndsTheGameWithAMessage) {
    if (ADDRESS_SANITIZER) GTEST_SKIP() << "memory cannot be capped under the address sanitizer";
    ScratchDir game;
    // A picture too large for the capped memory is reported and skipped: its
    // buffer is allocated with a failure the loader handles itself.
    std::filesystem::resize_file(game.write("huge.bmp", ""), 1500000000);
    // Arrays of 240 MB each, more than the cap holds.
    auto run = playCapped(game, gameScript("mov %1,1\n", "lsp 0,\"huge.bmp\",0,0\n"
                                                         "dim ?0[60000000]\n"
                                                         "dim ?1[60000000]\n"
                                                         "dim ?2[60000000]\n"));
    EXPECT_EQ(run.status, 255) << run.err;
    EXPECT_EQ(run.err, "failed to load [huge.bmp] because file size [1500000000] is too large.\n"
                       " *** out of memory ***\n");
}

} // namespace
} // namespace velmora
