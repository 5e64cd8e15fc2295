// Saving and loading in whole games: what a slot file holds at its ends, a
// load that resumes inside a line, a gosub and a for loop, the loadgosub
// hook, the save text, the save directory, refused files, and a save that
// survives the engine being killed while it writes.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "TestSupport.h"

namespace velmora {
namespace {

using test::RunResult;
using test::ScratchDir;

// Variables %0-%9 are saved with a game; %10 and up are global and outlive a load.
constexpr const char* HEADER = ";$V20G10\n*define\nglobalon\n";

RunResult play(const ScratchDir& game, const std::string& define, const std::string& start) {
    game.write("0.txt", HEADER + define + "game\n*start\n" + start);
    return test::runEngine({"-r", game.path().string()}, game.path());
}

int32_t intAt(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
    return static_cast<int32_t>(v);
}

// The globals %10 and up, as gloval.sav holds them from its first record.
std::vector<int32_t> globals(const ScratchDir& game) {
    return test::globalValues(game, 10);
}

TEST(SaveGameTest, ALoadResumesInsideTheLineTheLoopAndTheSubroutine) {
    ScratchDir game;
    const RunResult run = play(game, "loadgosub *onload\n",
                               "savegame 1\n"                   // script line 6, counting from 0
                               "inc %1 : inc %2 : savegame 2\n" // line 7
                               "inc %13 : inc %3\n"
                               "if %10 == 0 : mov %10,1 : loadgame 2\n"
                               "gosub *sub\nmov %16,%1*100+%2*10+%3\nend\n"
                               "*sub\nfor %4=1 to 3\n"
                               "if %4 == 2 && %11 == 0 : mov %11,1 : savegame 3\n"
                               "if %11 == 1 : mov %11,2 : loadgame 3\n"
                               "inc %15\nnext\nreturn\n*onload\ninc %14\nreturn\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(test::countOf(run.out, "Save file version is 2.8\n"), 2u) << run.out;
    const std::string one = game.read("save1.dat");
    const std::string two = game.read("save2.dat");
    ASSERT_GE(two.size(), 13u);
    EXPECT_EQ(one.substr(0, 5), std::string("VLM\x02\x08", 5));
    // The position: the script line (from 0) and the colons before the statement.
    EXPECT_EQ(intAt(one, one.size() - 8), 6);
    EXPECT_EQ(intAt(one, one.size() - 4), 0);
    EXPECT_EQ(intAt(two, two.size() - 8), 7);
    EXPECT_EQ(intAt(two, two.size() - 4), 2);
    const std::vector<int32_t> g = globals(game);
    EXPECT_EQ(g[3], 2);   // %13: the line after savegame 2 ran again after the load...
    EXPECT_EQ(g[6], 111); // ...but not the increments before it; %3 was restored to 0
    EXPECT_EQ(g[4], 2);   // %14: loadgosub ran once per load
    EXPECT_EQ(g[5], 3);   // %15: the loop ran each pass once and returned
}

TEST(SaveGameTest, SlotFilesTextsDirectoriesAndRefusals) {
    ScratchDir game;
    std::filesystem::create_directories(game.path() / "saves" / "sav");
    // %12 counts the passes that find %1 at 7: the first, and the one after the load.
    RunResult run = play(game, "savedir \"saves\"\n",
                         "mov %1,7 : savegame2 5,\"hello\" : if %1 == 7 inc %12\n"
                         "getsavestr $10,5\nmov %1,0 : loadgame 9\n"
                         "if %13 == 0 : mov %13,1 : loadgame 5\nend\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("can't open save file save9.dat\n"), std::string::npos) << run.err;
    const std::string slot = game.read("saves/save5.dat");
    EXPECT_EQ(slot.substr(slot.size() - 8), "\"hello\"*");
    EXPECT_EQ(game.read("saves/sav/save5.dat"), slot.substr(5));
    EXPECT_TRUE(std::filesystem::exists(game.path() / "saves" / "gloval.sav"));
    EXPECT_TRUE(std::filesystem::exists(game.path() / "envdata"));
    const std::string globals_file = game.read("saves/gloval.sav");
    EXPECT_EQ(globals_file.substr(4, 6), std::string("hello\0", 6)); // $10
    EXPECT_EQ(intAt(globals_file, 10 + 5), 2);                       // %12, after $10 and %11

    // Files that cannot be loaded leave the game as it was.
    struct Refused {
        std::string bytes;
        const char* message;
    };
    const Refused refused[] = {
        {std::string("VLM\x02\x09", 5) + slot.substr(5),
         "Save file is newer than 2.8, please use the latest Velmora.\n"},
        {std::string("VLM\x01\x63", 5) + slot.substr(5), "Save file is too old.\n"},
        {slot.substr(0, slot.size() / 2), "Save file is cut short.\n"},
        {"", "Save file is cut short.\n"},
    };
    for (const Refused& file : refused) {
        SCOPED_TRACE(file.message);
        game.write("saves/save6.dat", file.bytes);
        run = play(game, "savedir \"saves\"\n", "mov %1,3 : loadgame 6\nmov %14,%1\nend\n");
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.err.find(file.message), std::string::npos) << run.err;
        EXPECT_EQ(intAt(game.read("saves/gloval.sav"), 10 + 5 * 3), 3); // %14
    }
}

// saveoff keeps the image of its moment for the saves after it; saveon lets
// the next save take a fresh one. The position at a file's end tells which.
TEST(SaveGameTest, SaveoffKeepsItsImageAndSaveonTakesAFreshOne) {
    ScratchDir game;
    const RunResult run = play(game, "",
                               "mov %1,1 : saveoff\n"                    // line 5
                               "mov %1,2 : savegame 1\n"                 // line 6
                               "saveon : mov %1,3 : savegame 2\nend\n"); // line 7
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string one = game.read("save1.dat"), two = game.read("save2.dat");
    ASSERT_GE(std::min(one.size(), two.size()), 13u);
    EXPECT_EQ(intAt(one, one.size() - 8), 5);
    EXPECT_EQ(intAt(one, one.size() - 4), 1);
    EXPECT_EQ(intAt(two, two.size() - 8), 7);
    EXPECT_EQ(intAt(two, two.size() - 4), 2);
}

TEST(SaveGameTest, ParseErrorsOfTheSaveCommands) {
    const std::pair<const char*, const char*> cases[] = {
        {"savegame -1", "savegame: save number is less than 0."},
        {"savegame2 -1,\"x\"", "savegame: save number is less than 0."},
        {"loadgame -1", "loadgame: save number is less than 0."},
        {"getsavestr %1,1", "getsavestr: no string variable."},
    };
    for (const auto& [line, message] : cases) {
        ScratchDir game;
        const RunResult run = play(game, "", std::string(line) + "\nend\n");
        EXPECT_EQ(run.status, 255) << line;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    }
}

// A label entered from the one before it counts its lines as a jump to it
// does: a save made there resumes at its own statement.
TEST(SaveGameTest, ASaveInALabelReachedByFallingIntoItLoads) {
    ScratchDir game;
    const RunResult run = play(game, "",
                               "mov %11,%11+1\n*again\ninc %1 : savegame 1 : mov %12,%12+1\n"
                               "if %13 == 0 : mov %13,1 : loadgame 1\nend\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find("Save file"), std::string::npos) << run.err;
    const std::vector<int32_t> v = test::globalValues(game);
    EXPECT_EQ(v[1], 1); // the load did not go back to before the label
    EXPECT_EQ(v[2], 2); // it resumed at the save, which ran again
}

// When save1.dat was last replaced; the minimum while there is none.
std::filesystem::file_time_type lastSave(const ScratchDir& game) {
    std::error_code error;
    const auto time = std::filesystem::last_write_time(game.path() / "save1.dat", error);
    return error ? std::filesystem::file_time_type::min() : time;
}

// The engine is killed at moments spread over its saving; whatever it was
// doing, the slot it keeps rewriting still loads.
TEST(SaveGameTest, AKilledSaveLeavesTheLastGoodSlot) {
    ScratchDir game;
    // Saves until %10 is set; a check run sets it (through %11) and loads.
    const std::string script = std::string(HEADER) +
                               "game\n*start\nif %11 == 1 : mov %10,1 : loadgame 1\n*again\n"
                               "inc %1 : savegame 1 : if %10 == 0 goto *again\nend\n";
    game.write("0.txt", script);
    std::string check_globals;
    for (int32_t n = 10; n < 20; ++n)
        check_globals += std::string(n == 11 ? "\1" : "\0", 1) + std::string(4, '\0');
    for (int attempt = 0; attempt < 6; ++attempt) {
        const std::filesystem::file_time_type before = lastSave(game);
        const pid_t pid = fork();
        if (pid == 0) {
            if (chdir(game.path().c_str()) != 0) _exit(127);
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            freopen("/dev/null", "w", stdout);
            freopen("/dev/null", "w", stderr);
            execl(VELMORA_BINARY, VELMORA_BINARY, "-f", test::TEST_FONT_PATH, "-r", ".", nullptr);
            _exit(127);
        }
        // The kill falls among the saves, however long a loaded machine takes
        // to start the engine: each attempt waits for a save of its own first.
        const auto started = std::chrono::steady_clock::now();
        while (lastSave(game) == before &&
               std::chrono::steady_clock::now() - started < std::chrono::seconds(20))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::this_thread::sleep_for(std::chrono::milliseconds(37 * attempt));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        ScratchDir check;
        std::filesystem::copy_file(game.path() / "save1.dat", check.path() / "save1.dat");
        check.write("0.txt", script);
        check.write("gloval.sav", check_globals);
        const RunResult run = test::runEngine({"-r", check.path().string()}, check.path());
        ASSERT_EQ(run.status, 0) << run.err;
        ASSERT_EQ(run.err.find("Save file"), std::string::npos) << run.err;
        ASSERT_NE(run.out.find("Save file version is 2.8"), std::string::npos) << run.out;
    }
}

} // namespace
} // namespace velmora
