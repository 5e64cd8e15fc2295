// Every form a script may take on disk runs the same game: the result is read
// back from the global variables the game leaves behind.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"

namespace velmora {
namespace {

using test::runEngine;
using test::ScratchDir;

// Stores 42 and "ok" in the first global variable, then quits.
const std::string GAME = ";$V201G200\n*define\nglobalon\ngame\n*start\n"
                         "mov %200, 42 : mov $200, \"ok\"\nend\n";
// The one record of gloval.sav that GAME writes: value 42, then the text.
const std::string RECORD = std::string("\x2A\0\0\0ok\0", 7);

std::string crlfScrambled(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out.push_back(static_cast<char>('\r' ^ 0xE9));
        out.push_back(static_cast<char>(static_cast<uint8_t>(c) ^ 0xE9));
    }
    // No line end after the last line.
    out.resize(out.size() - 2);
    return out;
}

// A permutation of all byte values, hidden in a key file after some repeats.
std::string keyRun() {
    std::string run;
    for (int i = 0; i < 256; ++i) run.push_back(static_cast<char>((i * 37 + 11) & 0xFF));
    return run;
}

int play(const ScratchDir& game, std::vector<std::string> extra = {}) {
    std::vector<std::string> args{"-r", game.path().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return runEngine(args, game.path()).status;
}

TEST(ScriptFormsGameTest, ScrambledScriptRunsAsItsPlainText) {
    ScratchDir game;
    game.write("vlscene.dat", crlfScrambled(GAME));
    EXPECT_EQ(play(game), 0);
    EXPECT_EQ(game.read("gloval.sav"), RECORD);
}

TEST(ScriptFormsGameTest, KeyTableScriptNeedsTheKeyFile) {
    ScratchDir game;
    std::string run = keyRun();
    std::string encoded;
    for (char c : GAME) encoded.push_back(run[static_cast<uint8_t>(c) ^ 0xE9]);
    game.write("vlscene.___", encoded);
    game.write("game.exe", "MZ\x01\x01\x02" + run + "tail");

    auto without = runEngine({"-r", game.path().string()}, game.path());
    EXPECT_EQ(without.status, 255);
    EXPECT_NE(without.err.find("readScriptSub: the EXE file must be specified with --key-exe "
                               "option."),
              std::string::npos);

    EXPECT_EQ(play(game, {"--key-exe", (game.path() / "game.exe").string()}), 0);
    EXPECT_EQ(game.read("gloval.sav"), RECORD);
}

TEST(ScriptFormsGameTest, NumberedFilesRunInOrder) {
    ScratchDir game;
    game.write("0.txt", ";$V201G200\n*define\nglobalon\ngame\n*start\n");
    game.write("1.txt", "add $200, \"1\"");
    game.write("03.txt", "add $200, \"3\"\r\n");
    game.write("5.txt", "add $200, \"5\"\n");
    game.write("05.txt", "add $200, \"shadowed\"\n");
    game.write("99.txt", "add $200, \"9\"\nend\n");
    game.write("100.txt", "add $200, \"never\"\n");
    EXPECT_EQ(play(game), 0);
    EXPECT_EQ(game.read("gloval.sav"), std::string("\0\0\0\0"
                                                   "1359\0",
                                                   9));
}

} // namespace
} // namespace velmora
