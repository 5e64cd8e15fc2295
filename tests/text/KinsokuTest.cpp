// The line-breaking lists and the rule that decides, before a full-width
// character is drawn, whether it has to start the next line.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>

#include "text/KinsokuLists.h"
#include "text/TextRenderer.h"

namespace velmora {
namespace {

const uint8_t* bytes(const char* text) {
    return reinterpret_cast<const uint8_t*>(text);
}

std::string join(std::initializer_list<const char*> parts) {
    std::string text;
    for (const char* part : parts) text += part;
    return text;
}

// A copy of `text` in a heap block of exactly its length plus the
// terminator, so that reading past the end is caught by the sanitizers.
std::unique_ptr<uint8_t[]> exactCopy(const std::string& text) {
    auto copy = std::make_unique<uint8_t[]>(text.size() + 1);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

// 。 ． 」 、 ー and 「 （ in Shift_JIS.
constexpr const char* FULL_STOP = "\x81\x42";
constexpr const char* OPEN_QUOTE = "\x81\x75";
constexpr const char* A = "\x82\xa0"; // あ
constexpr const char* I = "\x82\xa2"; // い

TEST(Kinsoku, DefaultListsHoldClosingMarksAndOpeningBrackets) {
    const KinsokuLists lists;
    EXPECT_TRUE(lists.forbidsLineStart(bytes(FULL_STOP)));
    EXPECT_TRUE(lists.forbidsLineStart(bytes("\x81\x41"))); // 、
    EXPECT_TRUE(lists.forbidsLineStart(bytes("\x81\x76"))); // 」
    EXPECT_TRUE(lists.forbidsLineStart(bytes("\x81\x5b"))); // ー
    EXPECT_TRUE(lists.forbidsLineStart(bytes("\x81\x58"))); // 々
    EXPECT_FALSE(lists.forbidsLineStart(bytes(OPEN_QUOTE)));
    EXPECT_FALSE(lists.forbidsLineStart(bytes("\x81\x40"))); // full-width space
    EXPECT_FALSE(lists.forbidsLineStart(bytes(A)));
    EXPECT_TRUE(lists.forbidsLineEnd(bytes(OPEN_QUOTE)));
    EXPECT_TRUE(lists.forbidsLineEnd(bytes("\x81\x69"))); // （
    EXPECT_FALSE(lists.forbidsLineEnd(bytes(FULL_STOP)));
    EXPECT_EQ(lists.start.size(), 18u);
    EXPECT_EQ(lists.end.size(), 5u);
}

TEST(Kinsoku, SingleByteEntriesCompareOneByte) {
    KinsokuLists lists;
    lists.apply(".\xa1", "(", false);
    // The byte after a single-byte character is whatever follows it.
    EXPECT_TRUE(lists.forbidsLineStart(bytes(".x")));
    EXPECT_TRUE(lists.forbidsLineStart(bytes(".")));
    EXPECT_TRUE(lists.forbidsLineStart(bytes("\xa1\x82\xa0"))); // half-width stop, then あ
    EXPECT_TRUE(lists.forbidsLineEnd(bytes("(a")));
    EXPECT_FALSE(lists.forbidsLineStart(bytes(",.")));
    EXPECT_FALSE(lists.forbidsLineStart(bytes(FULL_STOP))); // the defaults are gone
    EXPECT_FALSE(lists.forbidsLineStart(bytes("")));
}

TEST(Kinsoku, ApplyReplacesOrAppendsAndEmptyListsForbidNothing) {
    KinsokuLists lists;
    lists.apply("", "", false);
    EXPECT_TRUE(lists.start.empty());
    EXPECT_FALSE(lists.forbidsLineStart(bytes(FULL_STOP)));
    EXPECT_FALSE(lists.forbidsLineEnd(bytes(OPEN_QUOTE)));

    lists.apply(FULL_STOP, OPEN_QUOTE, true);
    lists.apply("!", "", true);
    EXPECT_EQ(lists.start.size(), 2u);
    EXPECT_TRUE(lists.forbidsLineStart(bytes(FULL_STOP)));
    EXPECT_TRUE(lists.forbidsLineStart(bytes("!")));
    EXPECT_TRUE(lists.forbidsLineEnd(bytes(OPEN_QUOTE)));
}

TEST(Kinsoku, SwitchTakesOnAndOffOnly) {
    KinsokuLists lists;
    EXPECT_TRUE(lists.enabled);
    lists.setSwitch("off");
    EXPECT_FALSE(lists.enabled);
    lists.setSwitch("maybe");
    EXPECT_FALSE(lists.enabled);
    lists.setSwitch("on");
    EXPECT_TRUE(lists.enabled);
}

// A line of five full-width characters: ten half-cells.
FontState lineOfFive(int32_t pen_x) {
    FontState font;
    font.area_cells = Vec2{5, 3};
    font.pen = Vec2{pen_x, 0};
    return font;
}

TEST(Kinsoku, ClosingMarksAfterTheLastCellPullTheCharacterDown) {
    const KinsokuLists lists;
    const std::string text = join({A, FULL_STOP, FULL_STOP, I});
    // At 8 the stop itself would begin the next line.
    EXPECT_TRUE(isKinsokuBreak(bytes(text.c_str()), lineOfFive(8), &lists));
    // At 6 the two stops after the character fill the line exactly.
    EXPECT_TRUE(isKinsokuBreak(bytes(text.c_str()), lineOfFive(6), &lists));
    // At 4 both stops still fit.
    EXPECT_FALSE(isKinsokuBreak(bytes(text.c_str()), lineOfFive(4), &lists));
    // A character followed by an ordinary one never moves.
    const std::string plain = join({A, I});
    EXPECT_FALSE(isKinsokuBreak(bytes(plain.c_str()), lineOfFive(8), &lists));

    KinsokuLists off;
    off.setSwitch("off");
    EXPECT_FALSE(isKinsokuBreak(bytes(text.c_str()), lineOfFive(8), &off));
    EXPECT_FALSE(isKinsokuBreak(bytes(text.c_str()), lineOfFive(8), nullptr));
}

TEST(Kinsoku, SingleByteCharactersInTheRunArePassedOver) {
    const KinsokuLists lists;
    // あ。a。: the half-width a does not stop the run of stops.
    const std::string text = join({A, FULL_STOP, "a", FULL_STOP, I});
    EXPECT_TRUE(isKinsokuBreak(bytes(text.c_str()), lineOfFive(6), &lists));
    // A line feed ends the run.
    const std::string fed = join({A, FULL_STOP, "\n", FULL_STOP});
    EXPECT_FALSE(isKinsokuBreak(bytes(fed.c_str()), lineOfFive(6), &lists));
}

TEST(Kinsoku, OpeningBracketOnTheLastCellMovesDown) {
    const KinsokuLists lists;
    const std::string text = join({OPEN_QUOTE, A, I});
    EXPECT_TRUE(isKinsokuBreak(bytes(text.c_str()), lineOfFive(8), &lists));
    EXPECT_FALSE(isKinsokuBreak(bytes(text.c_str()), lineOfFive(6), &lists));
}

TEST(Kinsoku, RuleNeverReadsPastTheEndOfTheText) {
    KinsokuLists lists;
    lists.apply(".", OPEN_QUOTE, false);
    // A single-byte stop right before the terminator.
    auto ends_after_stop = exactCopy(join({A, "."}));
    EXPECT_TRUE(isKinsokuBreak(ends_after_stop.get(), lineOfFive(8), &lists));
    EXPECT_FALSE(isKinsokuBreak(ends_after_stop.get(), lineOfFive(4), &lists));
    // An opening bracket that is the last character.
    auto ends_with_bracket = exactCopy(OPEN_QUOTE);
    EXPECT_FALSE(isKinsokuBreak(ends_with_bracket.get(), lineOfFive(4), &lists));
    auto alone = exactCopy(A);
    EXPECT_FALSE(isKinsokuBreak(alone.get(), lineOfFive(8), &lists));
}

} // namespace
} // namespace velmora
