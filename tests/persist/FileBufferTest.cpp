// The file buffer's encoding and the replacement of files on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TestSupport.h"
#include "persist/FileBuffer.h"

namespace velmora {
namespace {

using test::ScratchDir;

std::string bytesOf(const FileBuffer& buffer) {
    return std::string(buffer.bytes().begin(), buffer.bytes().end());
}

TEST(FileBufferTest, IntegersAreLittleEndianAndStringsEndWithZero) {
    FileBuffer buffer;
    buffer.writeInt(0x01020304);
    buffer.writeInt(-2);
    buffer.writeString("ab");
    buffer.writeString("");
    EXPECT_EQ(bytesOf(buffer), std::string("\x04\x03\x02\x01\xfe\xff\xff\xff"
                                           "ab\0\0",
                                           12));
}

TEST(FileBufferTest, ReadsGiveBackWhatWasWrittenAndZeroPastTheEnd) {
    ScratchDir dir;
    std::string path = (dir.path() / "f").string();
    FileBuffer out;
    out.writeInt(INT32_MIN);
    out.writeString("text");
    out.writeString("");
    out.writeInt(7);
    ASSERT_TRUE(out.save(path));

    FileBuffer in;
    ASSERT_TRUE(in.load(path));
    EXPECT_EQ(in.readInt(), INT32_MIN);
    EXPECT_EQ(in.readString(), "text");
    EXPECT_EQ(in.readString(), ""); // an empty string reads back as absent
    EXPECT_EQ(in.readInt(), 7);
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(in.readInt(), 0);
    EXPECT_EQ(in.readString(), "");
    EXPECT_TRUE(in.readRest().empty());
}

TEST(FileBufferTest, ValuesCutOffByTheEndKeepTheBytesThatAreThere) {
    FileBuffer buffer;
    buffer.writeBytes(reinterpret_cast<const uint8_t*>("\x34\x12"), 2);
    EXPECT_EQ(buffer.readInt(), 0x1234);
    buffer.clear();
    buffer.writeBytes(reinterpret_cast<const uint8_t*>("abc"), 3);
    EXPECT_EQ(buffer.readString(), "abc");
    EXPECT_EQ(buffer.readString(), "");
}

TEST(FileBufferTest, LoadingAMissingFileFailsAndEmpties) {
    ScratchDir dir;
    FileBuffer buffer;
    buffer.writeInt(5);
    EXPECT_FALSE(buffer.load((dir.path() / "missing").string()));
    EXPECT_EQ(buffer.size(), 0u);
    EXPECT_EQ(buffer.readInt(), 0);
}

TEST(FileBufferTest, ReplacingAFileLeavesNoTemporaryBehind) {
    ScratchDir dir;
    std::string path = dir.write("f", "old contents").string();
    const uint8_t fresh[] = {'n', 'e', 'w'};
    ASSERT_TRUE(replaceFile(path, fresh, sizeof fresh));
    std::vector<uint8_t> back;
    ASSERT_TRUE(readWholeFile(path, FILE_BUFFER_LIMIT, back));
    EXPECT_EQ(std::string(back.begin(), back.end()), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(FileBufferTest, AFailedReplacementKeepsTheOldFile) {
    ScratchDir dir;
    std::string path = dir.write("f", "old").string();
    // A directory where the temporary file should go makes the write fail.
    std::filesystem::create_directories(path + ".tmp/x");
    const uint8_t fresh[] = {'n'};
    EXPECT_FALSE(replaceFile(path, fresh, 1));
    std::vector<uint8_t> back;
    ASSERT_TRUE(readWholeFile(path, FILE_BUFFER_LIMIT, back));
    EXPECT_EQ(std::string(back.begin(), back.end()), "old");
}

TEST(FileBufferTest, ReadingStopsAtTheLimit) {
    ScratchDir dir;
    std::string path = dir.write("f", std::string(100000, 'x')).string();
    std::vector<uint8_t> back;
    ASSERT_TRUE(readWholeFile(path, 70000, back));
    EXPECT_EQ(back.size(), 70000u);
}

} // namespace
} // namespace velmora
