// gloval.sav, envdata, the read marks and the logs, written and read by the
// engine's own functions inside the test process.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "TestSupport.h"
#include "engine/Velmora.h"

namespace velmora {
namespace {

using test::ExitResult;
using test::runTrappingExit;
using test::ScratchDir;

// Shift_JIS name of the font the environment file names by default.
const std::string DEFAULT_FONT = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Builds file contents the way the format lays them out, independently of FileBuffer.
struct Bytes {
    std::string data;
    Bytes& i32(int32_t v) {
        for (int shift = 0; shift < 32; shift += 8)
            data.push_back(static_cast<char>((static_cast<uint32_t>(v) >> shift) & 0xFF));
        return *this;
    }
    Bytes& str(const std::string& s) {
        data += s;
        data.push_back('\0');
        return *this;
    }
    Bytes& raw(const std::string& s) {
        data += s;
        return *this;
    }
};

class GlobalFilesTest : public ::testing::Test {
  protected:
    GlobalFilesTest() { engine.script.archive_path = dir.path().string() + "/"; }

    std::string file(const std::string& name) const { return readFile(dir.path() / name); }
    bool exists(const std::string& name) const {
        return std::filesystem::exists(dir.path() / name);
    }

    ScratchDir dir;
    Velmora engine;
};

TEST_F(GlobalFilesTest, TheEnvironmentFileHoldsTheFourteenFieldsInOrder) {
    engine.fullscreen = true;
    engine.text_speed_index = 2;
    engine.skip_mode = SKIP_TO_PAGE_END | SKIP_TEXT;
    engine.default_font_name = "Font";
    engine.env_text = "note";
    engine.volumes.voice_volume = 90;
    engine.volumes.se_volume = 40;
    engine.volumes.music_volume = 70;
    engine.kidokumode = false;
    engine.save_dir_name = "sv";
    engine.automode_time = -30;
    engine.writeEnvironmentFile();
    Bytes expected;
    expected.i32(1).i32(1).i32(2).i32(1).str("Font").i32(1).str("note");
    expected.i32(10).i32(60).i32(30).i32(0).i32(0).str("sv").i32(-30);
    EXPECT_EQ(file("envdata"), expected.data);
}

TEST_F(GlobalFilesTest, AMissingEnvironmentFileLeavesTheDefaults) {
    engine.volumes.voice_volume = 5;
    engine.kidokumode = false;
    engine.text_speed_index = 0;
    engine.skip_mode = SKIP_TO_PAGE_END;
    engine.readEnvironmentFile();
    EXPECT_EQ(engine.volumes.voice_volume, 100);
    EXPECT_EQ(engine.volumes.se_volume, 100);
    EXPECT_EQ(engine.volumes.music_volume, 100);
    EXPECT_TRUE(engine.kidokumode);
    EXPECT_EQ(engine.text_speed_index, 1);
    EXPECT_EQ(engine.skip_mode, 0);
    EXPECT_EQ(engine.automode_time, 1000);
    EXPECT_EQ(engine.default_font_name, DEFAULT_FONT);
    EXPECT_FALSE(engine.fullscreen);
    EXPECT_EQ(engine.save_dir, "");
}

TEST_F(GlobalFilesTest, AHandWrittenEnvironmentFileIsAppliedAndWrittenBackUnchanged) {
    Bytes env;
    env.i32(0).i32(7).i32(0).i32(1).str("Gothic").i32(0).str("kept text");
    env.i32(25).i32(0).i32(100).i32(0).i32(42).str("saves").i32(2500);
    env.raw(std::string("\x01\x02\0tail", 7));
    dir.write("envdata", env.data);
    engine.readEnvironmentFile();
    EXPECT_FALSE(engine.fullscreen);
    EXPECT_EQ(engine.text_speed_index, 0);
    EXPECT_EQ(engine.skip_mode, SKIP_TO_PAGE_END);
    EXPECT_EQ(engine.default_font_name, "Gothic");
    EXPECT_EQ(engine.volumes.voice_volume, 75);
    EXPECT_EQ(engine.volumes.se_volume, 100);
    EXPECT_EQ(engine.volumes.music_volume, 0);
    EXPECT_FALSE(engine.kidokumode);
    EXPECT_EQ(engine.save_dir_name, "saves");
    EXPECT_EQ(engine.save_dir, engine.script.archive_path + "saves/");
    EXPECT_EQ(engine.script.save_dir, engine.save_dir);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "saves"));
    EXPECT_EQ(engine.automode_time, 2500);

    engine.writeEnvironmentFile();
    EXPECT_EQ(file("envdata"), env.data);
    EXPECT_FALSE(exists("saves/envdata")); // envdata stays under the archive path
}

TEST_F(GlobalFilesTest, OutOfRangeEnvironmentValuesAreIgnoredOrClamped) {
    Bytes env;
    env.i32(0).i32(1).i32(9).i32(0).str("F").i32(1).str("");
    env.i32(-50).i32(INT32_MIN).i32(400).i32(1).i32(0).str("").i32(1000);
    dir.write("envdata", env.data);
    engine.readEnvironmentFile();
    EXPECT_EQ(engine.text_speed_index, 1);
    EXPECT_EQ(engine.volumes.voice_volume, 100);
    EXPECT_EQ(engine.volumes.se_volume, 100);
    EXPECT_EQ(engine.volumes.music_volume, 0);
}

TEST_F(GlobalFilesTest, FullScreenComesFromTheFileUnlessAWindowWasAsked) {
    Bytes env;
    env.i32(1);
    dir.write("envdata", env.data);
    engine.window_requested = true;
    engine.readEnvironmentFile();
    EXPECT_FALSE(engine.fullscreen);
    engine.window_requested = false;
    engine.readEnvironmentFile();
    EXPECT_TRUE(engine.fullscreen);
}

TEST_F(GlobalFilesTest, ATruncatedEnvironmentFileReadsZeroPastItsEnd) {
    dir.write("envdata", std::string("\0\0\0\0\1\0", 6));
    engine.readEnvironmentFile();
    EXPECT_EQ(engine.volumes.voice_volume, 100);
    EXPECT_EQ(engine.volumes.music_volume, 100);
    EXPECT_EQ(engine.automode_time, 0);
    EXPECT_EQ(engine.env_flag_a, 1); // the two bytes there
    EXPECT_FALSE(engine.kidokumode);
    EXPECT_EQ(engine.default_font_name, DEFAULT_FONT); // absent reads as the default
}

TEST_F(GlobalFilesTest, ASaveDirectoryOfTheScriptWinsOverTheFile) {
    Bytes env;
    env.i32(0).i32(1).i32(1).i32(0).str("F").i32(1).str("");
    env.i32(0).i32(0).i32(0).i32(1).i32(0).str("fromfile").i32(1000);
    dir.write("envdata", env.data);
    engine.setSaveDirectory("fromscript");
    engine.readEnvironmentFile();
    EXPECT_EQ(engine.save_dir, engine.script.archive_path + "fromscript/");
    EXPECT_EQ(engine.save_dir_name, "fromfile");
}

TEST_F(GlobalFilesTest, GlobalVariablesGoOutAndComeBackFromTheBorderUp) {
    engine.globalon = true;
    engine.script.setNumber(199, 11);
    engine.script.setNumber(200, 22);
    engine.script.variableSlot(201).text = "abc";
    engine.script.setNumber(4095, -1);
    engine.writeGlobalVariables();
    std::string saved = file("gloval.sav");
    // 3896 records of an int32 and a 0-ended text, the first for variable 200.
    ASSERT_EQ(saved.size(), 3896u * 5 + 3);
    EXPECT_EQ(saved.substr(0, 5), Bytes().i32(22).str("").data);
    EXPECT_EQ(saved.substr(5, 8), Bytes().i32(0).str("abc").data);
    EXPECT_EQ(saved.substr(saved.size() - 5), Bytes().i32(-1).str("").data);

    engine.script.resetScriptState();
    engine.globalon = false; // reading does not depend on the switch
    engine.readGlobalVariables();
    EXPECT_EQ(engine.script.variableSlot(199).value, 0);
    EXPECT_EQ(engine.script.variableSlot(200).value, 22);
    EXPECT_EQ(engine.script.variableSlot(201).text, "abc");
    EXPECT_EQ(engine.script.variableSlot(4095).value, -1);
}

TEST_F(GlobalFilesTest, WithoutGlobalonNoFileIsWritten) {
    engine.writeGlobalVariables();
    EXPECT_FALSE(exists("gloval.sav"));
}

TEST_F(GlobalFilesTest, AShortGlobalFileClearsTheVariablesPastItsEnd) {
    dir.write("gloval.sav", Bytes().i32(5).str("x").i32(6).data);
    engine.script.setNumber(202, 9);
    engine.script.variableSlot(201).text = "old";
    engine.readGlobalVariables();
    EXPECT_EQ(engine.script.variableSlot(200).value, 5);
    EXPECT_EQ(engine.script.variableSlot(200).text, "x");
    EXPECT_EQ(engine.script.variableSlot(201).value, 6);
    EXPECT_EQ(engine.script.variableSlot(201).text, "");
    EXPECT_EQ(engine.script.variableSlot(202).value, 0);
}

TEST_F(GlobalFilesTest, AFailedGlobalWriteIsReportedAndKeepsTheOldFile) {
    dir.write("gloval.sav", "old");
    std::filesystem::create_directories(dir.path() / "gloval.sav.tmp" / "x");
    engine.globalon = true;
    ExitResult result = runTrappingExit([&] { engine.writeGlobalVariables(); });
    EXPECT_FALSE(result.exited());
    EXPECT_EQ(result.stderr_text, "can't open gloval.sav for writing\n");
    EXPECT_EQ(file("gloval.sav"), "old");
}

TEST_F(GlobalFilesTest, QuitFilesFollowTheSwitches) {
    engine.writeQuitFiles();
    EXPECT_TRUE(exists("envdata"));
    EXPECT_FALSE(exists("gloval.sav"));
    EXPECT_FALSE(exists("Vlscllog.dat"));
    EXPECT_FALSE(exists("Vlscflog.dat"));
    EXPECT_FALSE(exists("kidoku.dat"));

    engine.setSaveDirectory("sv");
    engine.globalon = engine.labellog_on = engine.filelog_on = true;
    engine.kidokuskip_on = true;
    engine.script.loadReadMarks();
    engine.writeQuitFiles();
    for (const char* name : {"gloval.sav", "Vlscllog.dat", "Vlscflog.dat", "kidoku.dat"})
        EXPECT_TRUE(exists(std::string("sv/") + name)) << name;
    EXPECT_FALSE(exists("sv/envdata"));
}

TEST_F(GlobalFilesTest, MalformedLogsAreReadAsFarAsTheyGo) {
    const struct {
        std::string contents;
        std::vector<std::string> names;
    } cases[] = {
        {"3", {}},                                 // no line feed: all of it is the count
        {"5\n\"\xa8\"", {"A"}},                    // fewer names than counted
        {"1\n\"\xa8\xab", {"AB"}},                 // the closing quote is missing
        {"2x\n\"\xa8\"", {"A"}},                   // a garbage digit counts as its byte minus '0'
        {"-1\n\"\xa8\"", {}},                      // a negative count reads nothing
        {"99999999999999999999\n\"\xa8\"", {"A"}}, // a count that overflows
        {"", {}},
    };
    for (const auto& c : cases) {
        dir.write("Vlscflog.dat", c.contents);
        engine.script.loadLog(engine.script.file_log);
        EXPECT_EQ(engine.script.file_log.names, c.names) << c.contents;
    }
}

TEST_F(GlobalFilesTest, ALongLoggedNameIsCutToTheNameLimit) {
    dir.write("Vlscflog.dat", "1\n\"" + std::string(1000, '\xa8') + "\"");
    engine.script.loadLog(engine.script.file_log);
    ASSERT_EQ(engine.script.file_log.names.size(), 1u);
    EXPECT_EQ(engine.script.file_log.names[0], std::string(255, 'A'));
}

TEST_F(GlobalFilesTest, AnUnwritableLogEndsTheProcess) {
    std::filesystem::create_directories(dir.path() / "Vlscllog.dat.tmp" / "x");
    ExitResult result = runTrappingExit([&] { engine.script.saveLog(engine.script.label_log); });
    EXPECT_EQ(result.status, -1);
    EXPECT_NE(result.stderr_text.find("can't write "), std::string::npos);
}

TEST_F(GlobalFilesTest, ReadMarksStoreAllButTheLastPartialByte) {
    std::string script(100, ';');
    engine.script.loadFromMemory(script.data(), script.size());
    size_t length = engine.script.scriptLength();
    engine.script.loadReadMarks();
    ASSERT_EQ(engine.script.read_marks.size(), length / 8 + 1);
    engine.script.markRead(engine.script.bufferStart() + 9);
    engine.script.markRead(engine.script.bufferStart() + length - 1);
    engine.script.saveReadMarks();
    std::string saved = file("kidoku.dat");
    ASSERT_EQ(saved.size(), length / 8);
    EXPECT_EQ(static_cast<uint8_t>(saved[1]), 0x02);

    engine.script.read_marks_on = false;
    engine.script.loadReadMarks();
    EXPECT_EQ(engine.script.read_marks[1], 0x02);
    engine.script.markRead(engine.script.bufferStart() + 9);
    EXPECT_TRUE(engine.script.lastTokenWasRead());
}

TEST_F(GlobalFilesTest, AnOversizedMarkFileFillsOnlyTheMarks) {
    std::string script(20, ';');
    engine.script.loadFromMemory(script.data(), script.size());
    dir.write("kidoku.dat", std::string(100000, '\xff'));
    engine.script.loadReadMarks();
    size_t stored = engine.script.scriptLength() / 8;
    ASSERT_EQ(engine.script.read_marks.size(), stored + 1);
    EXPECT_EQ(engine.script.read_marks[stored - 1], 0xff);
    EXPECT_EQ(engine.script.read_marks[stored], 0);
}

TEST_F(GlobalFilesTest, AnUnwritableMarkFileIsReportedAndPlayGoesOn) {
    engine.script.loadReadMarks();
    std::filesystem::create_directories(dir.path() / "kidoku.dat.tmp" / "x");
    ExitResult result = runTrappingExit([&] { engine.script.saveReadMarks(); });
    EXPECT_FALSE(result.exited());
    EXPECT_EQ(result.stderr_text, "can't write kidoku.dat\n");
}

} // namespace
} // namespace velmora
