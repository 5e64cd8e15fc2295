// Whole games run by the program: the side files they leave behind, the
// files they read back on the next start, and the define-only commands.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "TestSupport.h"

namespace velmora {
namespace {

using test::runEngine;
using test::RunResult;
using test::ScratchDir;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string le32(int32_t v) {
    std::string out;
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((static_cast<uint32_t>(v) >> shift) & 0xFF));
    return out;
}

std::string cstr(const std::string& s) {
    return s + std::string(1, '\0');
}

class SideFilesGameTest : public ::testing::Test {
  protected:
    RunResult play(const std::string& script) {
        game.write("0.txt", script);
        return runEngine({"-r", game.path().string()}, game.path());
    }
    std::string file(const std::string& name) const { return readFile(game.path() / name); }

    ScratchDir game;
};

TEST_F(SideFilesGameTest, TheHeaderSetsHowManyGlobalRecordsAreWritten) {
    RunResult result = play(";$V10G0\n*define\nglobalon\ngame\n*start\n"
                            "mov %3, 7\nmov $4, \"hi\"\nend\n");
    ASSERT_EQ(result.status, 0) << result.err;
    std::string expected;
    for (int n = 0; n < 10; ++n)
        expected += n == 3   ? le32(7) + cstr("")
                    : n == 4 ? le32(0) + cstr("hi")
                             : le32(0) + cstr("");
    EXPECT_EQ(file("gloval.sav"), expected);
}

TEST_F(SideFilesGameTest, WithoutAHeaderVariables200To4095AreWritten) {
    RunResult result = play("*define\nglobalon\ngame\n*start\nend\n");
    ASSERT_EQ(result.status, 0) << result.err;
    // 3896 records of four zero bytes and an empty text.
    EXPECT_EQ(file("gloval.sav"), std::string(19480, '\0'));
}

TEST_F(SideFilesGameTest, DefaultVolumesGiveASixtyByteEnvironmentFile) {
    RunResult result = play("*define\ndefvoicevol 90\ndefsevol 40\ndefmp3vol 70\ngame\n"
                            "*start\nend\n");
    ASSERT_EQ(result.status, 0) << result.err;
    std::string font = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";
    std::string expected = le32(0) + le32(1) + le32(1) + le32(0) + cstr(font) + le32(1) + cstr("") +
                           le32(10) + le32(60) + le32(30) + le32(1) + le32(0) + cstr("") +
                           le32(1000);
    ASSERT_EQ(expected.size(), 60u);
    EXPECT_EQ(file("envdata"), expected);
    EXPECT_FALSE(std::filesystem::exists(game.path() / "gloval.sav"));
}

TEST_F(SideFilesGameTest, AHandWrittenEnvironmentFileRoundTrips) {
    std::string env = le32(0) + le32(3) + le32(2) + le32(1) + cstr("Mincho") + le32(9) +
                      cstr("private") + le32(5) + le32(15) + le32(25) + le32(0) + le32(77) +
                      cstr("") + le32(-200) + std::string("\0\xff\x10more", 7);
    game.write("envdata", env);
    RunResult result = play("*define\ngame\n*start\nend\n");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(file("envdata"), env);
}

TEST_F(SideFilesGameTest, TheLabelLogListsVisitedLabelsScrambled) {
    RunResult result = play("*define\nlabellog\ngame\n*start\ngoto *A1\n*sub\nreturn\n"
                            "*a1\ngosub *Sub\ngosub *sub\nend\n");
    ASSERT_EQ(result.status, 0) << result.err;
    auto scramble = [](const std::string& name) {
        std::string out = "\"";
        for (char c : name) out.push_back(static_cast<char>(static_cast<uint8_t>(c) ^ 0xE9));
        return out + "\"";
    };
    EXPECT_EQ(file("Vlscllog.dat"), "3\n" + scramble("START") + scramble("A1") + scramble("SUB"));

    // The next run reads the log back and adds to it.
    result = play("*define\nlabellog\ngame\n*start\ngoto *b\n*b\nend\n");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(file("Vlscllog.dat"),
              "4\n" + scramble("START") + scramble("A1") + scramble("SUB") + scramble("B"));
}

TEST_F(SideFilesGameTest, GlobalsInTheSaveDirectoryAreReadBackAtTheNextStart) {
    RunResult result = play("*define\nsavedir \"sv\"\nglobalon\ngame\n*start\n"
                            "add %200, 5\nend\n");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(std::filesystem::exists(game.path() / "sv" / "gloval.sav"));
    EXPECT_FALSE(std::filesystem::exists(game.path() / "gloval.sav"));
    EXPECT_TRUE(std::filesystem::exists(game.path() / "envdata"));

    // The save directory now comes from envdata, and survives the start-up reset.
    result = play("*define\nglobalon\ngame\n*start\nadd %200, 5\nend\n");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(file("sv/gloval.sav").substr(0, 4), le32(10));
}

TEST_F(SideFilesGameTest, AFailedGlobalWriteDoesNotStopTheQuit) {
    std::filesystem::create_directories(game.path() / "gloval.sav.tmp" / "x");
    RunResult result = play("*define\nglobalon\ngame\n*start\nend\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find("can't open gloval.sav for writing\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(game.path() / "envdata"));
}

TEST_F(SideFilesGameTest, GarbageSideFilesNeverStopTheGame) {
    std::mt19937 random(7);
    auto garbage = [&](size_t size) {
        std::string out(size, '\0');
        for (char& c : out) c = static_cast<char>(random());
        return out;
    };
    for (size_t size : {1u, 3u, 61u, 5000u}) {
        game.write("gloval.sav", garbage(size));
        game.write("envdata", garbage(size));
        game.write("kidoku.dat", garbage(size));
        game.write("Vlscllog.dat", garbage(size));
        game.write("Vlscflog.dat", "9999999\n" + garbage(size));
        RunResult result = play("*define\nlabellog\nfilelog\nkidokuskip\nglobalon\ngame\n"
                                "*start\nend\n");
        EXPECT_EQ(result.status, 0) << size << ": " << result.err;
    }
}

TEST_F(SideFilesGameTest, DefineOnlyCommandsStopAfterGame) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"zenkakko", "zenkakko: not in the define section"},
        {"windowchip 1", "windowchip: not in the define section"},
        {"windowback", "windowback: not in the define section"},
        {"usewheel", "usewheel: not in the define section"},
        {"useescspc", "useescspc: not in the define section"},
        {"transmode copy", "transmode: not in the define section"},
        {"roff", "roff: not in the define section"},
        {"pagetag", "pagetag: not in the define section"},
        {"mode_saya", "mode_saya: not in the define section"},
        {"mode_ext", "mode_ext: not in the define section"},
        {"automode", "mode_ext: not in the define section"},
        {"maxkaisoupage 3", "maxkaisoupage: not in the define section"},
        {"lookbacksp 1, 2", "lookbacksp: not in the define section"},
        {"linepage", "linepage: not in the define section"},
        {"linepage2 2", "linepage: not in the define section"},
        {"labellog", "labellog: not in the define section"},
        {"filelog", "filelog: not in the define section"},
        {"globalon", "globalon: not in the define section"},
        {"english", "english: not in the define section."},
        {"effectcut", "effectcut: not in the define section."},
        {"effectblank 5", "effectblank: not in the define section"},
        {"defaultspeed 1, 2, 3", "defaultspeed: not in the define section"},
        {"selectvoice \"a\", \"b\", \"c\"", "selectvoice: not in the define section"},
        {"menuselectvoice \"a\", \"b\", \"c\", \"d\", \"e\", \"f\", \"g\"",
         "menuselectvoice: not in the define section"},
        {"clickvoice \"a\", \"b\"", "clickvoice: not in the define section"},
        {"savedir \"sv\"", "savedir: not in the define section"},
        {"defaultfont \"f\"", "defaultfont: not in the define section"},
        {"setkinsoku \"a\", \"b\"", "setkinsoku: not in the define section"},
        {"addkinsoku \"a\", \"b\"", "addkinsoku: not in the define section"},
        {"effect 2, 10, 100", "effect: not in the define section"},
        {"vladir \"v\"", "vladir: not in the define section"},
        {"spi \"vbzplgin.dll|vbz\"", "soundpressplgin: not in the define section"},
        {"soundpressplgin \"vbzplgin.dll|vbz\"", "soundpressplgin: not in the define section"},
        {"intlimit 1, 0, 2", "intlimit: not in the define section"},
        {"dim ?1[2]", "dim: not in the define section"},
        {"numalias a, 1", "numalias: numalias: not in the define section"},
        {"stralias b, \"c\"", "stralias: not in the define section"},
    };
    for (const auto& c : cases) {
        RunResult result = play(std::string("*define\ngame\n*start\n") + c.line + "\nend\n");
        EXPECT_EQ(result.status, 255) << c.line;
        EXPECT_EQ(result.err, std::string(" *** Parse error at start:1 [") + c.message + "] ***\n")
            << c.line;
    }
}

} // namespace
} // namespace velmora
