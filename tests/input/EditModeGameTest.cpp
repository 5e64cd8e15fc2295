// The edit mode in a whole game: with --edit the player changes a variable
// and the music volume from the caption menu while a click wait goes on.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "persist/FileBuffer.h"

namespace velmora {
namespace {

using test::RunResult;
using test::ScratchDir;

TEST(EditModeGameTest, VariableAndMusicVolumeChangeWhileTheWaitGoesOn) {
    ScratchDir game;
    // %205 lies above the global border, so gloval.sav keeps it.
    game.write("0.txt", ";$V300G200\n*define\nglobalon\ngame\n*start\ncaption \"Harbour Tale\"\n"
                        "mp3vol 40\nclick\nmov %201,1\nclick\nmov %202,1\nend\n");
    game.write("input.txt", "idle key z\nidle caption\n"
                            "idle key n\nidle key 2\nidle key 0\nidle key 5\nidle key return\n"
                            "idle caption\nidle key minus\nidle key 5\nidle key return\n"
                            "idle click\n" // ignored: the edit mode is open
                            "idle key m\nidle key backspace\nidle key backspace\nidle key 6\n"
                            "idle key 0\nidle caption\nidle key return\n"
                            "idle key escape\nidle caption\nidle click\n");
    const RunResult result =
        test::runEngine({"--edit", "-r", game.path().string()}, game.path(), 30,
                        {"VELMORA_INPUT=" + (game.path() / "input.txt").string()});
    ASSERT_EQ(result.status, 0) << result.err;

    const char* captions[] = {
        "title=[EDIT MODE]  MP3 vol (m)  SE vol (s)  Voice vol (v)  Numeric variable (n) "
        "icon=Harbour Tale\n",
        "title=[EDIT MODE]  Current %205=0  New value? 0 icon=Harbour Tale\n",
        "title=[EDIT MODE]  Current MP3 Volume=40  New value? 60 icon=Harbour Tale\n",
        "title=Harbour Tale icon=Harbour Tale\n",
    };
    size_t at = 0;
    for (const char* caption : captions) {
        at = result.err.find(std::string("[input] caption ") + caption, at);
        ASSERT_NE(at, std::string::npos) << caption << result.err;
    }
    // Variables from %200 on: the first click ended nothing, the last one the first wait.
    const std::vector<int32_t> v = test::globalValues(game, 6);
    EXPECT_EQ(v[1], 1);
    EXPECT_EQ(v[2], 0);
    EXPECT_EQ(v[5], -5);

    // envdata keeps 100 minus each volume: voice, effects, music.
    FileBuffer env;
    ASSERT_TRUE(env.load((game.path() / "envdata").string()));
    for (int i = 0; i < 4; ++i) env.readInt();
    env.readString();
    env.readInt();
    env.readString();
    EXPECT_EQ(env.readInt(), 0);
    EXPECT_EQ(env.readInt(), 0);
    EXPECT_EQ(env.readInt(), 40);
}

} // namespace
} // namespace velmora
