#include <gtest/gtest.h>

#include <array>
#include <string>

#include "TestSupport.h"
#include "script/KeyTable.h"
#include "script/ScriptStream.h"

using velmora::LabelEntry;
using velmora::ScriptStream;
using velmora::test::runTrappingExit;
using velmora::test::ScratchDir;

namespace {

std::string bufferOf(const ScriptStream& s) {
    return std::string(s.bufferStart(), s.scriptLength());
}

std::string root(const ScratchDir& dir) {
    return dir.path().string() + "/";
}

std::string xorAll(std::string bytes, uint8_t key) {
    for (char& c : bytes) c = static_cast<char>(static_cast<uint8_t>(c) ^ key);
    return bytes;
}

// A permutation of all byte values: i * 7 + 3 mod 256 (7 is odd, so all distinct).
std::string permutationRun() {
    std::string run;
    for (int i = 0; i < 256; ++i) run.push_back(static_cast<char>((i * 7 + 3) & 0xFF));
    return run;
}

} // namespace

TEST(ScriptLoader, NumberedFilesLoadInOrderWithShadowing) {
    ScratchDir dir;
    dir.write("0.txt", "zero\n");
    dir.write("1.txt", "one");
    dir.write("03.txt", "three\r\n");
    dir.write("5.txt", "five\r");
    dir.write("05.txt", "shadowed\n");
    dir.write("99.txt", "last\n");
    dir.write("100.txt", "never\n");
    ScriptStream s;
    ASSERT_EQ(s.loadScript(root(dir)), 0);
    EXPECT_EQ(bufferOf(s), "zero\n\none\nthree\n\nfive\n\nlast\n\n");
    EXPECT_EQ(*s.bufferEnd(), '\0');
}

TEST(ScriptLoader, ZeroTxtWinsOverDoubleZero) {
    ScratchDir dir;
    dir.write("0.txt", "a\n");
    dir.write("00.txt", "b\n");
    ScriptStream s;
    ASSERT_EQ(s.loadScript(root(dir)), 0);
    EXPECT_EQ(bufferOf(s), "a\n\n");
}

TEST(ScriptLoader, NumberedFilesNeedFileZero) {
    ScratchDir dir;
    dir.write("1.txt", "numbered\n");
    ScriptStream s;
    auto r = runTrappingExit([&] { EXPECT_EQ(s.loadScript(root(dir)), -1); });
    EXPECT_NE(r.stderr_text.find("can't open any of 0.txt, 00.txt, vlscene.dat and vlscene.___"),
              std::string::npos);

    dir.write("vlscene.dat", xorAll("scrambled\n", 0xE9));
    ASSERT_EQ(s.loadScript(root(dir)), 0);
    EXPECT_EQ(bufferOf(s), "scrambled\n\n");
}

TEST(ScriptLoader, CarriageReturnsBecomeLineFeeds) {
    ScratchDir dir;
    dir.write("0.txt", "a\r\nb\rc\r\r\nd\r");
    ScriptStream s;
    ASSERT_EQ(s.loadScript(root(dir)), 0);
    EXPECT_EQ(bufferOf(s), "a\nb\nc\n\nd\n\n");
    EXPECT_EQ(bufferOf(s).find('\r'), std::string::npos);
}

TEST(ScriptLoader, ScrambledScriptWithCrLfAndNoFinalLineEnd) {
    ScratchDir dir;
    dir.write("vlscene.dat", xorAll("*define\r\ngame\r\n*start\r\nend", 0xE9));
    ScriptStream s;
    ASSERT_EQ(s.loadScript(root(dir)), 0);
    EXPECT_EQ(bufferOf(s), "*define\ngame\n*start\nend\n");
    ASSERT_EQ(s.labelTable().size(), 3u);
    EXPECT_EQ(s.labelTable()[1].name, "start");
}

TEST(ScriptLoader, KeyTableScriptNeedsTheKeyFile) {
    ScratchDir dir;
    std::string plain = "*define\nend\n";
    // Encode so that key_table[b] ^ 0xE9 gives the plain byte back: b = run[plain ^ 0xE9].
    std::string run = permutationRun();
    std::string encoded;
    for (char c : plain) encoded.push_back(run[static_cast<uint8_t>(c) ^ 0xE9]);
    dir.write("vlscene.___", encoded);
    // The key file holds junk with repeats before the run.
    dir.write("game.exe", std::string("\x01\x02\x01\x03\x03", 5) + run + "tail");

    ScriptStream without_key;
    auto r = runTrappingExit([&] { without_key.loadScript(root(dir)); });
    EXPECT_EQ(r.status, -1);
    EXPECT_NE(
        r.stderr_text.find("readScriptSub: the EXE file must be specified with --key-exe option."),
        std::string::npos);

    std::array<uint8_t, 256> table{};
    ASSERT_TRUE(velmora::createKeyTable((dir.path() / "game.exe").string(), table));
    for (int i = 0; i < 256; ++i) EXPECT_EQ(table[static_cast<uint8_t>(run[i])], i);
    ScriptStream s;
    s.installKeyTable(table.data());
    ASSERT_EQ(s.loadScript(root(dir)), 0);
    EXPECT_EQ(bufferOf(s), plain + "\n");
}

TEST(ScriptLoader, KeyFileProblems) {
    ScratchDir dir;
    std::array<uint8_t, 256> table{};
    auto r = runTrappingExit(
        [&] { EXPECT_FALSE(velmora::createKeyTable((dir.path() / "none.exe").string(), table)); });
    EXPECT_FALSE(r.exited());
    EXPECT_NE(r.stderr_text.find("createKeyTable: can't open EXE file"), std::string::npos);

    // 255 distinct bytes, then a repeat: no full permutation anywhere.
    std::string almost = permutationRun().substr(0, 255);
    dir.write("bad.exe", almost + almost);
    r = runTrappingExit([&] { velmora::createKeyTable((dir.path() / "bad.exe").string(), table); });
    EXPECT_EQ(r.status, -1);
    EXPECT_NE(r.stderr_text.find("[createKeyTable: can't find a key table.] ***"),
              std::string::npos);
}

TEST(ScriptLoader, HeaderLine) {
    struct Case {
        const char* header;
        int width, height, variables, border;
    };
    const Case cases[] = {
        {"", 640, 480, 4096, 200},
        {";mode800", 800, 600, 4096, 200},
        {";mode400", 400, 300, 4096, 200},
        {";mode320,value50", 320, 240, 4096, 50},
        {";$V2000G100S1024,768", 1024, 768, 2000, 100},
        {";$ v 300 g 10 s800 , 600 l 99", 800, 600, 300, 10},
        {";mode800,value500", 800, 600, 4096, 500},
        {";mode800 value500", 800, 600, 4096, 200},
        {";mode640", 640, 480, 4096, 200},
        {";value10,V20,S320,200", 320, 200, 20, 10},
        {"; just a comment", 640, 480, 4096, 200},
        // A global border without digits is 0: every variable is global.
        {";gameid Some Title", 640, 480, 4096, 0},
        {";Game", 640, 480, 4096, 0},
        {";value,mode800", 800, 600, 4096, 0},
        {";$G V100", 640, 480, 100, 0},
    };
    for (const Case& c : cases) {
        ScriptStream s;
        std::string text = std::string(c.header) + "\n*define\n";
        auto r = runTrappingExit([&] { s.loadFromMemory(text.data(), text.size()); });
        EXPECT_EQ(r.stderr_text, "") << c.header;
        EXPECT_EQ(s.screen_width, c.width) << c.header;
        EXPECT_EQ(s.screen_height, c.height) << c.header;
        EXPECT_EQ(s.variable_count, c.variables) << c.header;
        EXPECT_EQ(s.global_border, c.border) << c.header;
        EXPECT_EQ(s.slots.size(), static_cast<size_t>(c.variables)) << c.header;
    }
}

TEST(ScriptLoader, UnusableHeaderSizesWarnAndKeepDefaults) {
    const char* headers[] = {";$S0,480", ";$S640,99999999999", ";$V0", ";$V99999999999"};
    for (const char* h : headers) {
        ScriptStream s;
        std::string text = std::string(h) + "\n";
        auto r = runTrappingExit([&] { s.loadFromMemory(text.data(), text.size()); });
        EXPECT_FALSE(r.exited()) << h;
        EXPECT_NE(r.stderr_text.find("not a usable size"), std::string::npos) << h;
        EXPECT_EQ(s.screen_width, 640) << h;
        EXPECT_EQ(s.screen_height, 480) << h;
        EXPECT_EQ(s.variable_count, 4096) << h;
    }
    // A global border too large for an int32 is refused the same way.
    ScriptStream s;
    const std::string text = ";$G99999999999\n";
    auto r = runTrappingExit([&] { s.loadFromMemory(text.data(), text.size()); });
    EXPECT_NE(r.stderr_text.find("global border is not usable"), std::string::npos);
    EXPECT_EQ(s.global_border, 200);
}

TEST(ScriptLoader, HugeVariableCountFailsTheLoad) {
    ScratchDir dir;
    dir.write("0.txt", ";$V2000000000\n*define\n");
    ScriptStream s;
    auto r = runTrappingExit([&] { EXPECT_EQ(s.loadScript(root(dir)), -1); });
    EXPECT_NE(r.stderr_text.find("can't allocate 2000000000 variables"), std::string::npos);
}

TEST(ScriptLoader, LabelTable) {
    ScratchDir dir;
    dir.write("0.txt",
              ";$V100\n"       // line 0
              "*define\n"      // 1
              "game\n"         // 2
              "  *Start:end\n" // 3
              "a *notlabel\n"  // 4
              "*a *b , *c\n"   // 5
              "x\n");          // 6
    ScriptStream s;
    ASSERT_EQ(s.loadScript(root(dir)), 0);
    const auto& t = s.labelTable();
    ASSERT_EQ(t.size(), 6u); // define, start, a, b, c and the sentinel
    EXPECT_EQ(t[0].name, "define");
    EXPECT_EQ(t[0].first_line, 1);
    EXPECT_EQ(t[0].line_count, 2);
    EXPECT_EQ(t[1].name, "start");
    EXPECT_EQ(t[1].first_line, 3);
    EXPECT_EQ(std::string(t[1].body, 4), ":end");
    EXPECT_EQ(t[1].line_count, 3); // its own line, the rest of it, and line 4
    EXPECT_EQ(t[2].name, "a");
    EXPECT_EQ(t[3].name, "b");
    EXPECT_EQ(t[4].name, "c");
    EXPECT_EQ(t[4].first_line, 5);
    EXPECT_EQ(std::string(t[4].body, 2), "x\n");
    EXPECT_EQ(t[5].body, nullptr);
}

TEST(ScriptLoader, LabelQueries) {
    ScriptStream s;
    std::string text = "*define\ngame\n*start\nmov %0,1\nend\n*last\n";
    s.loadFromMemory(text.data(), text.size());
    const char* mov = s.bufferStart() + text.find("mov");
    EXPECT_EQ(s.labelAt(mov).name, "start");
    EXPECT_EQ(s.lineInLabel(mov), 1);
    EXPECT_EQ(s.labelAt(s.bufferStart()).name, "define");
    EXPECT_EQ(s.labelAt(s.bufferEnd()).name, "last");
    EXPECT_EQ(s.addressOfLine(4), s.bufferStart() + text.find("end"));
    EXPECT_EQ(s.labelAtLine(4).name, "start");

    LabelEntry start = s.labelNamed("START");
    EXPECT_EQ(start.name, "start");
    EXPECT_EQ(s.labelAfter("start").name, "last");
    EXPECT_EQ(s.labelAfter("last").body, nullptr);
    ASSERT_EQ(s.label_log.names.size(), 2u);
    EXPECT_EQ(s.label_log.names[0], "START");
    EXPECT_EQ(s.label_log.names[1], "LAST");

    auto r = runTrappingExit([&] { s.labelNamed("Nowhere"); });
    EXPECT_EQ(r.status, -1);
    EXPECT_NE(r.stderr_text.find("Label \"Nowhere\" is not found."), std::string::npos);
}

TEST(ScriptLoader, ReadMarksRememberTokens) {
    ScriptStream s;
    std::string text = "abc\nabc\n";
    s.loadFromMemory(text.data(), text.size());
    s.read_marks_on = true;
    s.read_marks.assign(s.scriptLength() / 8 + 1, 0);
    s.readToken();
    EXPECT_FALSE(s.lastTokenWasRead());
    s.readToken(); // separators always count as read
    EXPECT_TRUE(s.lastTokenWasRead());
    s.jumpTo(s.bufferStart());
    s.readToken();
    EXPECT_TRUE(s.lastTokenWasRead());
    s.readToken();
    s.readToken(); // the second "abc" was never read
    EXPECT_FALSE(s.lastTokenWasRead());
}

// Scripts of several megabytes are read in chunks into a mapped buffer: a CR LF
// split across two chunks, labels on both sides and every scrambled form must
// load byte for byte as the same text held in memory, with the same labels.
TEST(ScriptLoader, LargeScriptsLoadAsTheSameTextInEveryForm) {
    std::string text = ";$V100\n*define\ngame\n*start\n";
    for (int n = 0; text.size() < (size_t{5} << 20); ++n)
        text += "*L" + std::to_string(n) + "\r\nmov %1,2 * 3\r\ntext line " + std::to_string(n) +
                "@\r\n";
    const size_t chunk = size_t{128} << 10;
    text.replace(chunk - 1, 2, "\r\n"); // a CR ends the first chunk, its LF starts the next
    ScriptStream expected;
    ASSERT_EQ(expected.loadFromMemory(text.data(), text.size()), 0);
    std::string secret = text;
    const uint8_t key[5] = {0x79, 0x57, 0x0D, 0x80, 0x04};
    for (size_t i = 0; i < secret.size(); ++i)
        secret[i] = static_cast<char>(secret[i] ^ key[i % 5]);
    const std::pair<const char*, std::string> forms[] = {
        {"0.txt", text}, {"vlscene.dat", xorAll(text, 0xE9)}, {"vlsc_sec.dat", secret}};
    for (const auto& [name, bytes] : forms) {
        ScratchDir dir;
        dir.write(name, bytes);
        ScriptStream s;
        ASSERT_EQ(s.loadScript(root(dir)), 0) << name;
        EXPECT_EQ(bufferOf(s), bufferOf(expected)) << name;
        ASSERT_EQ(s.labelTable().size(), expected.labelTable().size()) << name;
        const LabelEntry last = s.labelNamed("l" + std::to_string(s.labelTable().size() - 4));
        EXPECT_EQ(s.offsetOf(last.header),
                  expected.offsetOf(expected.labelNamed(last.name).header));
        EXPECT_EQ(last.first_line, expected.labelNamed(last.name).first_line) << name;
    }
}
