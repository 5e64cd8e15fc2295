#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "script/ScriptStream.h"

using velmora::END_COMMA;
using velmora::END_ONE_BYTE;
using velmora::RefInteger;
using velmora::ScriptStream;
using velmora::test::runTrappingExit;

namespace {

void load(ScriptStream& s, const std::string& text) {
    s.loadFromMemory(text.data(), text.size());
}

std::string token(ScriptStream& s) {
    return s.readToken();
}

// Every token of the script up to its end, joined with '|'.
std::string allTokens(ScriptStream& s) {
    std::string out;
    for (int guard = 0; guard < 1000; ++guard) {
        std::string t = s.readToken();
        if (t.empty() && s.read_position >= s.bufferEnd()) break;
        out += (t == "\n" ? std::string("LF") : t) + "|";
    }
    return out;
}

} // namespace

TEST(Tokenizer, CommandNameAndArgumentsLeaveTheRightPositions) {
    ScriptStream s;
    load(s, "MOV %0,1\n");
    EXPECT_EQ(token(s), "mov");
    EXPECT_EQ(*s.read_position, '%');
    s.readVariableRef();
    EXPECT_EQ(s.last_ref.kind, RefInteger);
    EXPECT_TRUE(s.end_flags & END_COMMA);
    EXPECT_EQ(s.readInteger(), 1);
    EXPECT_FALSE(s.end_flags & END_COMMA);
    EXPECT_EQ(token(s), "\n");
}

TEST(Tokenizer, ClassifiesTokensByTheirFirstByte) {
    ScriptStream s;
    load(s, "12 apples\n#ffffff\ngoto *Start\n;note\n~\na:b\n");
    EXPECT_EQ(allTokens(s), "12 apples|LF|#ffffff|LF|goto|*start|LF|;note\n|LF|~|LF|a|:|b|LF|LF|");

    load(s, "7x\n");
    s.readToken();
    EXPECT_TRUE(s.lastTokenWasText());
    load(s, "x7\n");
    s.readToken();
    EXPECT_FALSE(s.lastTokenWasText());
}

TEST(Tokenizer, TextSubstitutesVariablesAndSwallowsTheirBlanks) {
    ScriptStream s;
    load(s, "%1  word $2  end@ more@\n");
    s.setNumber(1, 42);
    s.variableSlot(2).text = "name";
    EXPECT_EQ(token(s), "42word nameend@ more@");
    ASSERT_NE(s.wait_mark, nullptr);
    EXPECT_EQ(std::string(s.wait_mark, 6), " more@");
    EXPECT_EQ(*s.read_position, '\n');
}

TEST(Tokenizer, TextStepsOverDoubleByteCharacters) {
    ScriptStream s;
    // 0x81 0x40 is one character; its second byte must not be read as '@'.
    load(s, "\x81\x40\x82\x60\n");
    EXPECT_EQ(token(s), "\x81\x40\x82\x60");
    EXPECT_EQ(s.wait_mark, nullptr);
    // A lead byte at the end of a line is copied alone and ends the token.
    load(s, "a\x81\nb\n");
    s.readToken(); // "a" is a command name; the lead byte starts text
    EXPECT_EQ(token(s), "\x81");
    EXPECT_EQ(token(s), "\n");
}

TEST(Tokenizer, OneByteTextBackquoteRules) {
    ScriptStream s;
    load(s, "`A`@B`xC`%1 D\n");
    s.setNumber(1, 7);
    EXPECT_EQ(token(s), "A`@BxC7D");
    EXPECT_TRUE(s.end_flags & END_ONE_BYTE);
    EXPECT_TRUE(s.lastTokenWasText());
    // A backquote just before the line end is dropped without reading past it.
    load(s, "`ab`\nc\n");
    EXPECT_EQ(token(s), "ab");
    EXPECT_EQ(token(s), "\n");
}

TEST(Tokenizer, EnglishLinesDropTabsAndKeepVariablesLiteral) {
    ScriptStream s;
    load(s, ">a\tb %1@c\n");
    EXPECT_TRUE(s.readToken() && s.lastTokenWasText());
    EXPECT_EQ(std::string(s.token_buffer.data()), ">a\tb 0@c"); // text while english is off

    s.english_lines = true;
    s.jumpTo(s.bufferStart());
    EXPECT_EQ(token(s), "ab %1@c");
    EXPECT_TRUE(s.end_flags & END_ONE_BYTE);
    ASSERT_NE(s.wait_mark, nullptr);
    EXPECT_EQ(*s.wait_mark, 'c');
}

TEST(Tokenizer, CommentIsFollowedByItsLineFeedToken) {
    ScriptStream s;
    load(s, "; a comment, with comma\nend\n");
    EXPECT_EQ(token(s), "; a comment, with comma\n");
    EXPECT_EQ(token(s), "\n");
    EXPECT_EQ(token(s), "end");
}

TEST(Tokenizer, TokenLengthLimit) {
    ScriptStream s;
    std::string ok = "1" + std::string(2046, 'x') + "\n";
    load(s, ok);
    EXPECT_EQ(token(s).size(), 2047u);

    std::string too_long = "1" + std::string(2047, 'x') + "\n";
    load(s, too_long);
    auto r = runTrappingExit([&] { s.readToken(); });
    EXPECT_EQ(r.status, -1);
    EXPECT_NE(r.stderr_text.find("addStringBuffer: string length exceeds 2048."),
              std::string::npos);
}

TEST(Tokenizer, UnknownHeadingBytesAreReportedAndSkipped) {
    ScriptStream s;
    std::string text = "} {end\n";
    text += '\0';
    text += "goto\n";
    load(s, text);
    std::string tokens;
    auto r = runTrappingExit([&] { tokens = allTokens(s); });
    EXPECT_FALSE(r.exited());
    EXPECT_EQ(tokens, "end|LF|goto|LF|LF|");
    EXPECT_NE(r.stderr_text.find("skip unknown heading character } (7d)"), std::string::npos);
    EXPECT_NE(r.stderr_text.find("skip unknown heading character { (7b)"), std::string::npos);
    EXPECT_NE(r.stderr_text.find("(0)"), std::string::npos);
}

TEST(Tokenizer, TokenIsComparesAPrefixLessOneUnderscore) {
    ScriptStream s;
    load(s, "_next\nnext2\nnex\n");
    s.readToken();
    EXPECT_TRUE(s.tokenIs("next"));
    s.readToken();
    s.readToken();
    EXPECT_TRUE(s.tokenIs("next"));
    s.readToken();
    s.readToken();
    EXPECT_FALSE(s.tokenIs("next"));
}

TEST(Tokenizer, LabelTokensAreLowerCasedWithBlanksAfterTheStar) {
    ScriptStream s;
    load(s, "goto *  Some_Label , x\n");
    s.readToken();
    EXPECT_EQ(std::string(s.readLabelToken()), "*some_label");
    EXPECT_TRUE(s.end_flags & END_COMMA);
    EXPECT_EQ(*s.read_position, 'x');

    // The terminating NUL counts: a label of 2047 bytes is one too many.
    std::string long_label = "*" + std::string(2045, 'a') + "\n";
    load(s, long_label);
    EXPECT_EQ(s.labelTable()[0].name.size(), 2045u);
    long_label = "*" + std::string(2046, 'a') + "\n";
    auto r = runTrappingExit([&] { load(s, long_label); });
    EXPECT_EQ(r.status, -1);
    EXPECT_NE(r.stderr_text.find("exceeds 2048"), std::string::npos);
}

TEST(Tokenizer, SkipStatementStopsAtSeparatorsOutsideQuotesAndNeverPassesTheLineEnd) {
    ScriptStream s;
    load(s, "foo \"a:b\" 1 : bar\n");
    s.readToken();
    s.skipStatement();
    EXPECT_EQ(std::string(s.read_position, 5), ": bar");

    load(s, "foo 1 ; comment\n");
    s.readToken();
    s.skipStatement();
    EXPECT_EQ(*s.read_position, ';');

    // After double-byte text a ':' no longer ends the statement, but the line feed does.
    load(s, "foo \x82\xa0 : bar\nnext\n");
    s.readToken();
    s.skipStatement();
    EXPECT_EQ(*s.read_position, '\n');
    EXPECT_EQ(token(s), "\n");
    EXPECT_EQ(token(s), "next");
}

TEST(Tokenizer, AdvanceLinesAndPositionStack) {
    ScriptStream s;
    load(s, "a\nb\nc\n");
    s.readToken();
    s.advanceLines(2);
    EXPECT_EQ(*s.read_position, 'c');
    s.advanceLines(5); // past the end: stops at the end of the script
    EXPECT_EQ(s.read_position, s.bufferEnd());

    s.jumpTo(s.bufferStart());
    s.readToken();
    const char* after_a = s.read_position;
    s.pushPosition(s.bufferStart() + 4);
    EXPECT_EQ(token(s), "c");
    s.popPosition();
    EXPECT_EQ(s.read_position, after_a);
}

TEST(Tokenizer, NextIsKeywordIgnoresCaseAndConsumesOnlyBlanks) {
    ScriptStream s;
    load(s, "x   TO 5\n");
    s.readToken();
    EXPECT_FALSE(s.nextIsKeyword("step"));
    EXPECT_TRUE(s.nextIsKeyword("to"));
    EXPECT_EQ(*s.read_position, 'T');
}

TEST(Tokenizer, ClickWaitOnlyAtTheLastOfARun) {
    ScriptStream s;
    s.clickstr_list = "\x81\x42\x81\x41`!";
    EXPECT_EQ(s.clickWaitKind("@x", false), 1);
    EXPECT_EQ(s.clickWaitKind("\\x", false), 1);
    EXPECT_EQ(s.clickWaitKind("\x81\x42\x81\x41", false), 0); // X followed by Y
    EXPECT_EQ(s.clickWaitKind("\x81\x41", false), 2);         // Y alone
    EXPECT_EQ(s.clickWaitKind("\x81\x42z", false), 2);        // X alone
    EXPECT_EQ(s.clickWaitKind("!a", false), 1);
    EXPECT_EQ(s.clickWaitKind("!!", false), 0);
    EXPECT_EQ(s.clickWaitKind("a", false), 0);
}

TEST(Tokenizer, FormatNumberPadsAndDropsLowDigits) {
    char out[32];
    EXPECT_EQ(ScriptStream::formatNumber(out, -123, 3, false), 3);
    EXPECT_STREQ(out, "-12");
    ScriptStream::formatNumber(out, 45, 5, true);
    EXPECT_STREQ(out, "00045");
    ScriptStream::formatNumber(out, 45, 5, false);
    EXPECT_STREQ(out, "   45");
    EXPECT_EQ(ScriptStream::formatNumber(out, -7, -1, false), 2);
    EXPECT_STREQ(out, "-7");
    ScriptStream::formatNumber(out, 123456, 4, false);
    EXPECT_STREQ(out, "1234");
}

TEST(Tokenizer, ReadColor) {
    ScriptStream s;
    load(s, "*define\nx\n");
    uint8_t rgb[3];
    s.readColor(rgb, "#Ff8000 trailing");
    EXPECT_EQ(rgb[0], 0xFF);
    EXPECT_EQ(rgb[1], 0x80);
    EXPECT_EQ(rgb[2], 0x00);

    auto r = runTrappingExit([&] { s.readColor(rgb, "ff8000"); });
    EXPECT_EQ(r.status, -1);
    EXPECT_NE(r.stderr_text.find("[readColor: no preceding #.] ***"), std::string::npos);
    r = runTrappingExit([&] { s.readColor(rgb, "#ff80"); });
    EXPECT_EQ(r.status, -1);
    EXPECT_NE(r.stderr_text.find("convHexToDec: not valid character for color."),
              std::string::npos);
}

TEST(Tokenizer, EndOfScriptGivesEmptyTokensForever) {
    ScriptStream s;
    load(s, "end");
    EXPECT_EQ(token(s), "end");
    EXPECT_EQ(token(s), "\n");
    EXPECT_EQ(token(s), "");
    EXPECT_EQ(token(s), "");
    EXPECT_EQ(s.read_position, s.bufferEnd());
}
