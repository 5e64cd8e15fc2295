// Whole games that read archives: which archives the program opens at start,
// what the archive commands change, and the key table given on the command
// line. Each game records `fileexist` answers in variables 0-9, which the
// program writes to gloval.sav at its end.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "archive/ArchiveBytes.h"

namespace velmora {
namespace {

using test::RunResult;
using test::sarArchive;
using test::ScratchDir;
using test::vl2Archive;
using test::vlaArchive;

class ArchiveGameTest : public ::testing::Test {
  protected:
    // Runs a game whose define section ends with `define` and whose start
    // label holds `start`; the values of variables 0-9 at its end.
    std::vector<int32_t> play(const std::string& define, const std::string& start,
                              const std::vector<std::string>& extra_args = {}) {
        game.write("0.txt",
                   ";$V10G0\n*define\nglobalon\n" + define + "game\n*start\n" + start + "end\n");
        std::vector<std::string> args = {"-r", game.path().string()};
        args.insert(args.end(), extra_args.begin(), extra_args.end());
        result = test::runEngine(args, game.path());
        EXPECT_EQ(result.status, 0) << result.err;
        std::ifstream in(game.path() / "gloval.sav", std::ios::binary);
        std::stringstream saved;
        saved << in.rdbuf();
        // Each record: a little-endian int32 and an empty text (one 0 byte).
        const std::string bytes = saved.str();
        std::vector<int32_t> values;
        for (size_t at = 0; at + 5 <= bytes.size(); at += 5) {
            uint32_t v = 0;
            for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
            values.push_back(static_cast<int32_t>(v));
        }
        values.resize(10);
        return values;
    }
    static std::vector<int32_t> answers(std::vector<int32_t> first) {
        first.resize(10);
        return first;
    }

    ScratchDir game;
    RunResult result;
};

TEST_F(ArchiveGameTest, ArcSarOpensAtStartAndNamesMatchInAnyForm) {
    game.write("arc.sar", sarArchive({{"IMG\\A.BMP", "pixels"}}));
    game.write("loose.txt", "here");
    EXPECT_EQ(play("", "fileexist %0, \"img/a.bmp\"\nfileexist %1, \"Img\\A.bmp\"\n"
                       "fileexist %2, \"IMG/A.BMP\"\nfileexist %3, \"img/b.bmp\"\n"
                       "fileexist %4, \"loose.txt\"\n"),
              answers({1, 1, 1, 0, 1}));
}

TEST_F(ArchiveGameTest, StartUpOpensVl2ArchivesToTheFirstGapAndNeverArcVla) {
    for (const char* n : {"00", "01", "03"})
        game.write(std::string(n) + ".vl2", vl2Archive({{std::string("F") + n + ".TXT", "x"}}));
    game.write("arc.vla", vlaArchive({{"V.TXT", "x"}}));
    EXPECT_EQ(play("", "fileexist %0, \"f00.txt\"\nfileexist %1, \"f01.txt\"\n"
                       "fileexist %2, \"f03.txt\"\nfileexist %3, \"v.txt\"\n"),
              answers({1, 1, 0, 0}));
}

TEST_F(ArchiveGameTest, VlaOpensArcVlaAndVl3SkipsTwoBytesForGood) {
    game.write("arc.vla", vlaArchive({{"V.TXT", "x"}}));
    EXPECT_EQ(play("", "fileexist %0, \"v.txt\"\nvla\nfileexist %1, \"v.txt\"\n"), answers({0, 1}));

    game.write("arc.vla", vlaArchive({{"V.TXT", "x"}}, "\x12\x34"));
    EXPECT_EQ(play("", "vla\nfileexist %0, \"v.txt\"\nvl3\nfileexist %1, \"v.txt\"\n"
                       "vla\nfileexist %2, \"v.txt\"\n"),
              answers({0, 1, 1}));
}

TEST_F(ArchiveGameTest, Vl2SkipsOneByteUnderTheVladirPrefix) {
    std::filesystem::create_directory(game.path() / "data");
    game.write("data/00.vl2", vl2Archive({{"W.TXT", "x"}}, "\x01"));
    EXPECT_EQ(play("vladir \"data\"\nvl2\nfileexist %0, \"w.txt\"\n", ""), answers({1}));
}

TEST_F(ArchiveGameTest, ArcAddsSarArchivesOnlyToADirectOrSarReader) {
    std::filesystem::create_directory(game.path() / "sub");
    game.write("sub/extra.sar", sarArchive({{"E.TXT", "x"}}));
    game.write("more.sar", sarArchive({{"M.TXT", "x"}}));
    EXPECT_EQ(play("",
                   "arc \"sub\\extra.sar|ignored text\"\narc \"nothere.sar\"\narc \"more.sar\"\n"
                   "fileexist %0, \"e.txt\"\nfileexist %1, \"m.txt\"\n"),
              answers({1, 1}));
    EXPECT_NE(result.err.find(" *** failed to open archive nothere.sar, ignored.  ***\n"),
              std::string::npos);

    game.write("arc.sar", sarArchive({{"A.TXT", "x"}}));
    EXPECT_EQ(
        play("", "arc \"sub\\extra.sar\"\nfileexist %0, \"e.txt\"\nfileexist %1, \"a.txt\"\n"),
        answers({0, 1}));
}

TEST_F(ArchiveGameTest, SpiMakesAnExtensionDecodeAsVbz) {
    // Stored plainly the entry has 4 bytes; as VBZ its length prefix says 0.
    game.write("arc.sar", sarArchive({{"Z.VQZ", std::string(4, '\0')}}));
    EXPECT_EQ(
        play("fileexist %0, \"z.vqz\"\nspi \"vbzplgin.dll|vqz\"\nfileexist %1, \"z.vqz\"\n", ""),
        answers({1, 0}));
}

TEST_F(ArchiveGameTest, KeyExeDecodesSarVlaAndVl2Archives) {
    // createKeyTable inverts the 256 distinct bytes it finds.
    const auto key = test::testKeyTable();
    std::string key_file(256, '\0');
    for (int i = 0; i < 256; ++i) key_file[key[i]] = static_cast<char>(i);
    game.write("key.exe", key_file);
    const std::vector<std::string> args = {"--key-exe", (game.path() / "key.exe").string()};

    game.write("arc.sar", test::keyed(key, sarArchive({{"S.TXT", "x"}})));
    EXPECT_EQ(play("", "fileexist %0, \"s.txt\"\n", args), answers({1}));
    std::filesystem::remove(game.path() / "arc.sar");

    game.write("arc.___", test::keyed(key, vlaArchive({{"V.TXT", "x"}})));
    EXPECT_EQ(play("", "vla\nfileexist %0, \"v.txt\"\n", args), answers({1}));

    game.write("00.vl2", test::keyed(key, vl2Archive({{"W.TXT", "x"}})));
    EXPECT_EQ(play("", "fileexist %0, \"w.txt\"\n", args), answers({1}));
}

} // namespace
} // namespace velmora
