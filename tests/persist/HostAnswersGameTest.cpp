// A whole game asks the registry, a DLL and an INI file, answered by the side
// files in its directory while it runs from another one; and the ways getini
// and the others stop a script that asks wrongly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"

namespace velmora {
namespace {

using test::ScratchDir;

const std::string START = ";$V10G0\n*define\nglobalon\ngame\n*start\n";

TEST(HostAnswersGameTest, RegistryDllAndIniAnswersComeFromTheGameDirectory) {
    ScratchDir game, elsewhere;
    game.write("registry.txt", "[Game]\n\"Path\"=\"C:\\game\"\n[Other]\n\"Only\"=\"x\"\n");
    game.write("dll.txt", "[foo.dll]\nstr = \"hello world\"\nret = 42\n");
    game.write("conf.ini", "[Sec]\nKey=Value 1\n");
    game.write("Data/Opts.ini", "[opts]\nvolume=80\n");
    // A file of the same name where the engine runs must not be the one read.
    elsewhere.write("conf.ini", "[Sec]\nKey=decoy\n");
    game.write("0.txt", START + "getreg $1,\"Game\",\"Path\"\ngetreg $2,\"Game\",\"Only\"\n"
                                "getreg $3,\"Gam\",\"Path\"\ngetret %1 : getret $4\n"
                                "exec_dll \"foo.dll/a/b\"\ngetret $5 : getret %2\n"
                                "exec_dll \"bar.dll\"\ngetret $6 : getret %3\n"
                                "getini $7,\"conf.ini\",\"sEC\",\"KEY\"\n"
                                "getini $8,\"data\\opts.ini\",\"Opts\",\"Volume\"\nend\n");
    const test::RunResult run = test::runEngine({"-r", game.path().string()}, elsewhere.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(test::globalTexts(game),
              (std::vector<std::string>{"", "C:\\game", "x", "", "", "hello world", "hello world",
                                        "Value 1", "80", ""}));
    EXPECT_EQ(test::globalValues(game), (std::vector<int32_t>{0, 0, 42, 42, 0, 0, 0, 0, 0, 0}));
    EXPECT_NE(run.out.find("  reading Registry file for [Game] Path\n  $1 = C:\\game\n"
                           "  reading Registry file for [Game] Only\n  $2 = x\n"
                           "  reading Registry file for [Gam] Path\n"
                           "  reading dll.txt for foo.dll\n  getret_str = hello world\n"
                           "  getret_int = 42\n  reading dll.txt for bar.dll\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.err, "  The key is not found.\n  The DLL is not found in dll.txt.\n");
}

TEST(HostAnswersGameTest, WrongQuestionsStopWithTheirParseErrors) {
    const struct {
        const char* line;
        const char* error;
    } cases[] = {
        {"getini $1,\"\",\"s\",\"k\"", "[getini: no filename given.]"},
        {"getini $1,\"conf.ini\",\"\",\"k\"", "[getini: no section given.]"},
        {"getini $1,\"conf.ini\",\"s\",\"\"", "[getini: no key given.]"},
        {"getini $1,\"none.ini\",\"s\",\"k\"", "[getini: cannot open filename given.]; none.ini"},
        {"getini %1,\"conf.ini\",\"s\",\"k\"", "[getini: no string variable.]"},
        {"getreg %1,\"s\",\"k\"", "[getreg: no string variable.]"},
        {"getret 5", "[getret: no variable.]"},
    };
    ScratchDir game;
    game.write("conf.ini", "[s]\nk=v\n");
    for (const auto& c : cases) {
        game.write("0.txt", START + c.line + "\nend\n");
        const test::RunResult run = test::runEngine({"-r", game.path().string()}, game.path());
        EXPECT_EQ(run.status, 255) << c.line;
        EXPECT_EQ(run.err, std::string(" *** Parse error at start:1 ") + c.error + " ***\n");
    }
}

} // namespace
} // namespace velmora
