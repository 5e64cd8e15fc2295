// A game written in UTF-8 plays exactly as the same game in Shift_JIS: the
// page it shows and the save it writes are the same bytes, whether the file
// carries a byte-order mark or the game is started with --utf8.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BitmapReader.h"
#include "TestSupport.h"
#include "script/Utf8Script.h"

namespace velmora {
namespace {

using test::RunResult;
using test::ScratchDir;

// The game's Japanese text in one encoding: a name compared as a string, a
// line with half-width katakana, the yen sign and a wave dash, and a line
// with the dash.
struct Text {
    std::string name, line1, line2;
};

const Text UTF8_TEXT = {"港の灯り", "「ﾐﾗです。」¥１００〜", "灯りが揺れる―ｶﾓﾒ"};
const Text SJIS_TEXT = {
    "\x8D\x60\x82\xCC\x93\x94\x82\xE8",
    "\x81\x75\xD0\xD7\x82\xC5\x82\xB7\x81\x42\x81\x76\x81\x8F\x82\x50\x82\x4F\x82\x4F\x81\x60",
    "\x93\x94\x82\xE8\x82\xAA\x97\x68\x82\xEA\x82\xE9\x81\x5C\xB6\xD3\xD2"};

// Shows the first line, saves after its click wait, and ends the page with
// the backslash; %1 says whether the name compared equal to its literal.
std::string gameIn(const Text& t) {
    return ";$V10G5\n*define\ngame\n*start\n"
           "mov $0,\"" +
           t.name + "\"\nif $0 == \"" + t.name + "\" mov %1,1\n" + t.line1 + "@\nsavegame 1\n" +
           t.line2 + "\\\nend\n";
}

const std::string INPUT = "idle shot page.bmp\nidle click\nidle click\n";

RunResult play(const ScratchDir& game, const std::string& script, bool utf8_option) {
    game.write("0.txt", script);
    game.write("input.txt", INPUT);
    std::vector<std::string> args{"-r", game.path().string()};
    if (utf8_option) args.push_back("--utf8");
    return test::runEngine(args, game.path(), 30,
                           {"VELMORA_INPUT=" + (game.path() / "input.txt").string()});
}

TEST(Utf8ScriptGameTest, Utf8GameShowsAndSavesWhatItsShiftJisTwinDoes) {
    ScratchDir sjis;
    const RunResult sjis_run = play(sjis, gameIn(SJIS_TEXT), false);
    ASSERT_EQ(sjis_run.status, 0) << sjis_run.err;
    const std::string shot = sjis.read("page.bmp");
    const std::string save = sjis.read("save1.dat");
    // The page shows text: not every pixel is the colour of the first.
    const std::optional<test::Bitmap> page = test::readBitmap24(shot);
    ASSERT_TRUE(page.has_value());
    size_t inked = 0;
    for (uint32_t pixel : page->pixels) inked += pixel != page->pixels.front();
    EXPECT_GT(inked, 500u);
    // The save holds the name, which compared equal to its literal.
    EXPECT_NE(save.find(SJIS_TEXT.name), std::string::npos);

    struct Twin {
        const char* what;
        std::string script;
        bool option;
    };
    const Twin twins[] = {{"byte-order mark", UTF8_BOM + gameIn(UTF8_TEXT), false},
                          {"--utf8", gameIn(UTF8_TEXT), true}};
    for (const Twin& twin : twins) {
        ScratchDir game;
        const RunResult run = play(game, twin.script, twin.option);
        ASSERT_EQ(run.status, 0) << twin.what << run.err;
        EXPECT_EQ(run.err.find("shown as"), std::string::npos) << twin.what << run.err;
        EXPECT_TRUE(game.read("page.bmp") == shot) << twin.what;
        EXPECT_TRUE(game.read("save1.dat") == save) << twin.what;
    }

    // Without either, the UTF-8 bytes are read as Shift_JIS: another page,
    // if the game gets that far.
    ScratchDir unmarked;
    play(unmarked, gameIn(UTF8_TEXT), false);
    EXPECT_FALSE(unmarked.read("page.bmp") == shot);
}

} // namespace
} // namespace velmora
