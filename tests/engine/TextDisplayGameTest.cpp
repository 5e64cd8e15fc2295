// Story text in whole games played by scripted input: where the pen goes,
// line breaking, click and page waits, the text speed and its waits, and
// games played from start to end by clicks alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BitmapReader.h"
#include "TestSupport.h"

namespace velmora {
namespace {

using test::RunResult;
using test::ScratchDir;

// Shift_JIS text used below.
const std::string A = "\x82\xa0", I = "\x82\xa2", U = "\x82\xa4", E = "\x82\xa6", O = "\x82\xa8",
                  KA = "\x82\xa9", MARU = "\x81\x42";

const std::string SMALL_WINDOW = "setwindow 10,20,5,4,20,20,2,4,0,0,0,\"#808080\",0,0,319,239\n";

class TextDisplayGameTest : public ::testing::Test {
  protected:
    RunResult play(const std::string& start, const std::string& input_lines,
                   const std::string& define = "") {
        return test::playScripted(game, start, input_lines, define);
    }
    std::vector<int32_t> variables() const { return test::globalValues(game); }
    static size_t count(const std::string& text, const std::string& part) {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    }

    ScratchDir game;
};

TEST_F(TextDisplayGameTest, WrappedLinesAreIndentedAndTheCursorPositionFollows) {
    RunResult result = play(SMALL_WINDOW + "indent 2\n" + A + I + U + E + O + KA +
                                "/\ngetcursorpos %1,%2\ngetcursorpos2 %3,%4\n",
                            "");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<int32_t> v = variables();
    // Five characters fill the first line; the sixth starts the second line
    // two full-width cells in: the pen is then at half-cell 6 of line 1.
    EXPECT_EQ(v[1], 10 + 6 * 22 / 2);
    EXPECT_EQ(v[2], 20 + 2 * 24 / 2);
    // The last character began at half-cell 4 of that line.
    EXPECT_EQ(v[3], 10 + 4 * 22 / 2);
    EXPECT_EQ(v[4], 44);
}

TEST_F(TextDisplayGameTest, VerticalTextFillsColumnsFromTheRight) {
    RunResult result = play(SMALL_WINDOW + "indent 2\ntateyoko 1\n" + A + I + U + E + O + KA +
                                "/\ngetcursorpos %1,%2\ngetcursorpos2 %3,%4\n",
                            "");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<int32_t> v = variables();
    // Four characters a column from the rightmost column (half-cell 8): the
    // fifth starts the next column two cells down, the sixth ends it, so the
    // next character goes to the third column, two cells down.
    EXPECT_EQ(v[1], 10 + 4 * 22 / 2);
    EXPECT_EQ(v[2], 20 + 4 * 24 / 2);
    // The sixth character began at half-cell 6 down the second column.
    EXPECT_EQ(v[3], 10 + 6 * 22 / 2);
    EXPECT_EQ(v[4], 20 + 6 * 24 / 2);
}

TEST_F(TextDisplayGameTest, KinsokuKeepsAClosingMarkWithTheCharacterBeforeIt) {
    const std::string line = A + I + U + E + O + MARU + "/\ngetcursorpos %1,%2\n";
    RunResult kept = play(SMALL_WINDOW + line, "");
    ASSERT_EQ(kept.status, 0) << kept.err;
    // The fifth character moved to the second line with the full stop.
    EXPECT_EQ(variables()[1], 10 + 4 * 22 / 2);
    EXPECT_EQ(variables()[2], 44);

    RunResult plain = play(SMALL_WINDOW + "kinsoku off\n" + line, "");
    ASSERT_EQ(plain.status, 0) << plain.err;
    // Only the full stop went to the second line.
    EXPECT_EQ(variables()[1], 10 + 2 * 22 / 2);
    EXPECT_EQ(variables()[2], 44);
}

TEST_F(TextDisplayGameTest, ClickstrWaitsOnlyAfterTheLastOfARun) {
    // Two waits at the full stops and one at '@'.
    RunResult clicked =
        play(A + MARU + I + MARU + MARU + U + "@\n", "idle click\nidle click\nidle click\n",
             "clickstr \"" + MARU + "\",0\n");
    ASSERT_EQ(clicked.status, 0) << clicked.err;
    EXPECT_EQ(count(clicked.err, "mode=0x12c"), 3u) << clicked.err;
    EXPECT_EQ(count(clicked.err, "[input] exhausted"), 0u) << clicked.err;
}

TEST_F(TextDisplayGameTest, TimedWaitsInsideText) {
    // The one click comes at the first wait that blocks: !d, which it ends.
    // !w then runs its full time, since nothing but time ends it.
    RunResult result =
        play("textspeed 0\nresettimer\n" + A + "!d5000" + I + "/\ngettimer %1\nresettimer\n" + U +
                 "!w400" + E + "/\ngettimer %2\n",
             "any click\n");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<int32_t> v = variables();
    EXPECT_LT(v[1], 5000);
    EXPECT_GE(v[2], 400);
}

TEST_F(TextDisplayGameTest, AClickDuringSlowTextFinishesTheLineAtOnce) {
    // Twenty characters at 200 ms each would take four seconds.
    std::string line;
    for (int i = 0; i < 20; ++i) line += A;
    RunResult result = play(
        SMALL_WINDOW + "textspeed 200\nresettimer\n" + line + "/\ngettimer %1\n", "any click\n");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_LT(variables()[1], 4000);
}

TEST_F(TextDisplayGameTest, PagesPlayToTheEndWithClicksAlone) {
    std::string pages;
    for (int page = 0; page < 4; ++page) pages += A + I + "@" + U + E + "\\\n";
    RunResult result = play("mov %1,1\n" + pages + "mov %1,2\n",
                            "idle click\nidle click\nidle click\nidle click\nidle click\n"
                            "idle click\nidle click\nidle click\n");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(variables()[1], 2);
    EXPECT_EQ(count(result.err, "mode=0x12c"), 8u) << result.err;
    EXPECT_FALSE(game.read("envdata").empty());
}

TEST_F(TextDisplayGameTest, InputNeedsAStringVariable) {
    RunResult bad = play("input %1,\"title\",\"default\",10,10\n", "");
    EXPECT_EQ(bad.status, 255);
    EXPECT_NE(bad.err.find("input: no string variable."), std::string::npos) << bad.err;

    RunResult good = play("input $1,\"title\",\"Mira\",10,10\n", "");
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_NE(good.out.find("*** inputCommand(): $1 is set to the default value: Mira\n"),
              std::string::npos);
}

// Text that reaches past the window's rectangle is taken away with the rest of
// the page: by a new page, and by textclear.
TEST_F(TextDisplayGameTest, TextOutsideTheWindowGoesWithThePage) {
    const std::string line = "`WWWWWWWW";
    RunResult result =
        play("bg white,1\n"
             "setwindow 20,20,4,2,40,40,0,0,0,1,1,\"#808080\",20,20,100,60\n" +
                 line + "\\\ngetscreenshot 640,480\nsavescreenshot \"page.bmp\"\n" + line +
                 "@\ntextclear\nprint 1\ngetscreenshot 640,480\n"
                 "savescreenshot \"cleared.bmp\"\n",
             "idle click\nidle shot shown.bmp\nidle click\n");
    ASSERT_EQ(result.status, 0) << result.err;
    // Pixels right of the window that are not the white background.
    auto marked = [&](const std::string& name) {
        const std::optional<test::Bitmap> shot = test::readBitmap24(game.read(name));
        if (!shot) return -1;
        int n = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 102; x < 640; ++x) n += shot->at(x, y) != 0xffffff;
        return n;
    };
    EXPECT_GT(marked("shown.bmp"), 100); // the text does reach past the window
    EXPECT_EQ(marked("page.bmp"), 0);
    EXPECT_EQ(marked("cleared.bmp"), 0);
}

TEST_F(TextDisplayGameTest, ContinuedLinesMustEndAtTheSlash) {
    RunResult result = play(A + "/" + I + "\n", "");
    EXPECT_EQ(result.status, 255);
    EXPECT_NE(result.err.find("'new line' must follow '/'."), std::string::npos) << result.err;
}

} // namespace
} // namespace velmora
