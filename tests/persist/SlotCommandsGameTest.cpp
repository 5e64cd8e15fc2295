// The commands that ask about slot files, answered from files the test
// writes and dates: the save text after a save image, whether a slot
// exists, and when it was last written in local time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "TestSupport.h"

namespace velmora {
namespace {

using test::ScratchDir;

TEST(SlotCommandsGameTest, SaveTextExistenceAndTimeComeFromTheSlotFiles) {
    ScratchDir game;
    game.write("save5.dat", "VLM\x02\x08"
                            "body\"hello\"*");
    game.write("save6.dat", "VLM\x02\x08"
                            "body without a text");
    // 4 March, 05:06 local time: the engine runs with TZ=UTC.
    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 2;
    when.tm_mday = 4;
    when.tm_hour = 5;
    when.tm_min = 6;
    const auto stamp = std::filesystem::file_time_type::clock::from_sys(
        std::chrono::system_clock::from_time_t(timegm(&when)));
    std::filesystem::last_write_time(game.path() / "save5.dat", stamp);

    game.write("0.txt", ";$V10G0\n*define\nglobalon\ngame\n*start\n"
                        "getsavestr $1,5\ngetsavestr $2,6\ngetsavestr $3,7\n"
                        "savefileexist %1,5\nsavefileexist %2,7\n"
                        "savetime 5,%3,%4,%5,%6\n"
                        // An empty slot clears the month and leaves the rest.
                        "mov %7,77 : mov %8,88 : savetime 7,%7,%8,%8,%8\nend\n");
    const test::RunResult played =
        test::runEngine({"-r", game.path().string()}, game.path(), 30, {"TZ=UTC"});
    ASSERT_EQ(played.status, 0) << played.err;
    EXPECT_EQ(played.err, "readSaveStrFromFile: can't open save file save7.dat\n");
    const std::vector<std::string> texts = test::globalTexts(game);
    EXPECT_EQ(texts[1], "hello");
    EXPECT_EQ(texts[2], "");
    EXPECT_EQ(texts[3], "");
    const std::vector<int32_t> v = test::globalValues(game);
    EXPECT_EQ(v[1], 1);
    EXPECT_EQ(v[2], 0);
    EXPECT_EQ((std::vector<int32_t>{v[3], v[4], v[5], v[6]}), (std::vector<int32_t>{3, 4, 5, 6}));
    EXPECT_EQ(v[7], 0);
    EXPECT_EQ(v[8], 88);
}

} // namespace
} // namespace velmora
