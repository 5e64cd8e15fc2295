// Word wrap (--word-wrap) played through the real program: where the pen
// stands after one-byte text, long words, the spaces of translated Shift_JIS
// lines as drawn, lookback drawing a page as it was shown, the page text and
// save files left as they are without the option, and the choice kept in
// settings.txt until it is turned off.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BitmapReader.h"
#include "TestSupport.h"

namespace velmora {
namespace {

using test::ScratchDir;

const std::string FULL_WIDTH_SPACE = "\x81\x40";
// Shown at a click wait, where the scripted input takes a picture of the window.
const std::string TRANSLATED = FULL_WIDTH_SPACE + "Please make a wish now.@\n";

// Five full-width cells a row: ten half-width characters.
const std::string GAME =
    ";$V10G0\n*define\nglobalon\nlookbackcolor #ffffff\ngame\n*start\n"
    "setwindow 10,20,5,4,20,20,2,4,0,0,0,\"#808080\",0,0,319,239\ntextspeed 0\n"
    "`abc defghij/\ngetcursorpos %1,%2\ngettext $1\ntextclear\n"
    "`abcdefghijklm/\ngetcursorpos %3,%4\ntextclear\n" +
    TRANSLATED + "gettext $2\ntextclear\n`" + TRANSLATED +
    "getlog $3,1\nsavegame 1\ntextclear\n`x@\nend\n";
// At the last wait, lookback shows the one-byte page again, then the page before.
const std::string INPUT = "idle shot double.bmp\nidle click\nidle shot single.bmp\nidle click\n"
                          "idle wheel up\nidle shot back.bmp\nidle wheel up\nidle shot back2.bmp\n"
                          "idle wheel down\nidle wheel down\nidle click\n";

// The same picture up to the rounding of shadows drawn twice over.
bool samePicture(const std::string& a, const std::string& b) {
    constexpr int32_t TOLERANCE = 8;
    const auto first = test::readBitmap24(a);
    const auto second = test::readBitmap24(b);
    if (!first || !second || first->pixels.size() != second->pixels.size()) return false;
    for (size_t i = 0; i < first->pixels.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8) {
            const int32_t p = first->pixels[i] >> shift & 0xff,
                          q = second->pixels[i] >> shift & 0xff;
            if (p - q > TOLERANCE || q - p > TOLERANCE) return false;
        }
    return true;
}

// Pixel positions of the pen: row 2 starts at y 44, a half-width cell is 11 wide.
constexpr int32_t ROW_2_Y = 44;
int32_t afterHalfCells(int32_t n) {
    return 10 + n * 11;
}

TEST(WordWrapGameTest, WrapsWordsKeepsSpacesLeavesThePageTextAndIsKeptUntilTurnedOff) {
    ScratchDir game;
    game.write("0.txt", GAME);
    game.write("input.txt", INPUT);
    const std::vector<std::string> env = {"VELMORA_INPUT=" + (game.path() / "input.txt").string()};
    const struct {
        std::vector<std::string> options;
        bool wraps;
        const char* settings; // settings.txt after the run
    } runs[] = {
        {{}, false, ""},
        {{"--word-wrap"}, true, "word-wrap = on\n"},
        {{}, true, "word-wrap = on\n"},
        {{"--no-word-wrap"}, false, "word-wrap = off\n"},
    };
    std::vector<std::string> plain_texts;
    std::string plain_save;
    for (const auto& run : runs) {
        std::vector<std::string> args = run.options;
        args.insert(args.end(), {"-r", game.path().string()});
        const test::RunResult result = test::runEngine(args, game.path(), 30, env);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(game.read("settings.txt"), run.settings);

        const std::vector<int32_t> v = test::globalValues(game, 5);
        // "defghij" moves whole to row 2, or only its last letter goes there.
        EXPECT_EQ(v[1], afterHalfCells(run.wraps ? 7 : 1)) << run.wraps;
        EXPECT_EQ(v[2], ROW_2_Y);
        // A word longer than a row breaks where the row ends either way.
        EXPECT_EQ(v[3], afterHalfCells(3));
        EXPECT_EQ(v[4], ROW_2_Y);
        // With word wrap the Shift_JIS line shows its spaces as the one-byte line does.
        const std::string shot = game.read("double.bmp");
        ASSERT_FALSE(shot.empty());
        EXPECT_EQ(shot == game.read("single.bmp"), run.wraps);
        EXPECT_TRUE(samePicture(game.read("back.bmp"), game.read("single.bmp"))) << run.wraps;
        EXPECT_TRUE(samePicture(game.read("back2.bmp"), shot)) << run.wraps;

        // The text read back and the save file are those of a run without word wrap.
        const std::vector<std::string> texts = test::globalTexts(game, 4);
        if (plain_texts.empty()) {
            plain_texts = texts;
            plain_save = game.read("save1.dat");
            EXPECT_EQ(texts[1], "abc defghij");
            EXPECT_EQ(texts[2], FULL_WIDTH_SPACE + "Pleasemakea wishnow.");
            // The earlier page as getlog and the save file hold it.
            EXPECT_EQ(texts[3], texts[2] + "\n");
        }
        EXPECT_EQ(texts, plain_texts) << run.wraps;
        EXPECT_TRUE(game.read("save1.dat") == plain_save) << run.wraps;
    }
}

} // namespace
} // namespace velmora
