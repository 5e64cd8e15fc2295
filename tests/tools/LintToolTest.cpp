// velmora-lint: the problems it reports in a game, with their files and lines,
// its exit statuses, the demo staying clean, and how it reads conditions.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"
#include "lint/LintArguments.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::RunResult;
using test::ScratchDir;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Runs velmora-lint on `game`, with `option` when given, and collects its
// status and output.
RunResult lint(const fs::path& game, const char* option = nullptr) {
    ScratchDir io;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(open((io.path() / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open((io.path() / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        alarm(60);
        if (option)
            execl(VELMORA_LINT_BINARY, VELMORA_LINT_BINARY, option, game.c_str(), nullptr);
        else
            execl(VELMORA_LINT_BINARY, VELMORA_LINT_BINARY, game.c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readAll(io.path() / "out"),
            readAll(io.path() / "err")};
}

TEST(LintTool, ReportsEachProblemAtItsFileAndLine) {
    ScratchDir game;
    game.write("0.txt", ";$V100G50\n"
                        "*define\n"
                        "defsub greet\n"
                        "numalias lamp,5\n"
                        "stralias sky,\"pic\\sky.png\"\n"
                        "effect 2,10,500\n"
                        "rmenu \"Save\",save\n"
                        "game\n"
                        "*start\n"
                        "greet *start\n"
                        "bg sky,1:ld c,\":a;hero.png\",1\n"
                        "if %lamp==5 && %1<2 gosub *greet\n"
                        "foo 1,2\n"
                        "goto *nowhere\n"
                        "bg \"missing.bmp\",1\n"
                        "#ff8800Fine\\\n"
                        "#12zz56Broken\\\n"
                        "select \"one\",*start,\n"
                        "       \"two\",*greet\n"
                        "v1\n");
    game.write("1.txt", "*greet\n"
                        "lsp 1,\":s/20,20,0;#ffffffText\",0,0\n"
                        "roff\n"
                        "return\n");
    game.write("pic/SKY.png", "x");
    game.write("hero.png", "x");
    game.write("tide.png", "x");
    game.write("wav/1.wav", "x");
    const RunResult result = lint(game.path());
    EXPECT_EQ(result.out, "0.txt:13: unknown command foo\n"
                          "0.txt:14: label *nowhere does not exist\n"
                          "0.txt:15: picture \"missing.bmp\" not found\n"
                          "0.txt:17: colour tag \"#12zz56\" does not parse\n"
                          "1.txt:3: roff: not in the define section\n");
    EXPECT_EQ(result.status, 1) << result.err;
}

TEST(LintTool, ReadsTheScrambledScriptAndRefusesAGameWithoutOne) {
    ScratchDir game;
    std::string script = "*define\ngame\n*start\ntext_in_vain\ngosub *start\nend\n";
    for (char& c : script) c = static_cast<char>(c ^ 0xE9);
    game.write("vlscene.dat", script);
    const RunResult scrambled = lint(game.path());
    EXPECT_EQ(scrambled.out, "vlscene.dat:4: unknown command text_in_vain\n");
    EXPECT_EQ(scrambled.status, 1);

    ScratchDir empty;
    const RunResult none = lint(empty.path());
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "can't open any of 0.txt, 00.txt, vlscene.dat and vlscene.___\n");
}

// A character with no Shift_JIS code is a problem at its line, whether the
// file says it is UTF-8 by its mark or --utf8 says so for every file.
TEST(LintTool, ReportsUtf8CharactersWithoutACode) {
    ScratchDir marked;
    marked.write("0.txt",
                 "\xEF\xBB\xBF*define\ngame\n*start\n\xE6\x98\x9F\xF0\x9F\x98\x80\\\nend\n");
    const RunResult result = lint(marked.path());
    EXPECT_EQ(result.out, "0.txt:4: U+1F600 has no Shift_JIS code; shown as \xEF\xBC\x9F\n");
    EXPECT_EQ(result.status, 1) << result.err;

    ScratchDir plain;
    plain.write("0.txt", "*define\ngame\n*start\n\xF0\x9F\x98\x80\\\nend\n");
    EXPECT_EQ(lint(plain.path(), "--utf8").out,
              "0.txt:4: U+1F600 has no Shift_JIS code; shown as \xEF\xBC\x9F\n");
}

// The demo's script, pictures, sounds and movie, as the game ships them.
TEST(LintTool, TheDemoIsClean) {
    ScratchDir game;
    const fs::path source = fs::path(__FILE__).parent_path() / "../../examples/demo";
    fs::copy_file(source / "0.txt", game.path() / "0.txt");
    for (const char* assets : {VELMORA_DEMO_PICTURES, VELMORA_DEMO_SOUNDS, VELMORA_DEMO_MOVIES})
        fs::copy(assets, game.path(), fs::copy_options::recursive);
    const RunResult result = lint(game.path());
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.status, 0) << result.err;
}

// The script that docs/writing-your-first-game.md builds, block by block,
// with stand-ins for the pictures and music it names.
TEST(LintTool, TheFirstGameGuideIsClean) {
    const std::string guide =
        readAll(fs::path(__FILE__).parent_path() / "../../docs/writing-your-first-game.md");
    const std::string open = "```text\n";
    std::string script;
    for (size_t at = guide.find(open); at != std::string::npos; at = guide.find(open, at)) {
        at += open.size();
        const size_t end = guide.find("```", at);
        ASSERT_NE(end, std::string::npos);
        const std::string block = guide.substr(at, end - at);
        // The directory listing and the scripted input are not script.
        if (block.rfind("lighthouse/", 0) != 0 && block.rfind("# input.txt", 0) != 0)
            script += block;
        at = end + 3;
    }
    ASSERT_NE(script.find("*define"), std::string::npos);
    ScratchDir game;
    game.write("0.txt", script);
    for (const char* name : {"shore.png", "keeper.png", "waves.ogg"}) game.write(name, "x");
    const RunResult result = lint(game.path());
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.status, 0) << result.err;
}

TEST(LintArguments, FindsTheCommandAfterACondition) {
    struct Case {
        const char* line;
        const char* command; // what follows the condition; "" for none
        bool mixed;
    };
    const Case cases[] = {
        {"%0==1 goto *a", "goto *a", false},
        {"$lighthouse!=\"\" goto *choose", "goto *choose", false},
        {"heroine >= 3 && ?1[2][%0] < (2 + %3) mov %1,2", "mov %1,2", false},
        {"fchk \"a.bmp\" | lchk \"*b\" skip 2", "skip 2", false},
        {"%0 mod 2 = 1 & %1 | %2 gosub *x", "gosub *x", true},
        {"%0 ==", "", false},
    };
    for (const Case& c : cases) {
        const std::string line = c.line;
        const lint::Condition condition =
            lint::readCondition(line.data(), line.data() + line.size());
        EXPECT_EQ(condition.command ? std::string(condition.command) : "", c.command) << c.line;
        EXPECT_EQ(condition.mixes_and_or, c.mixed) << c.line;
    }
}

} // namespace
} // namespace velmora
