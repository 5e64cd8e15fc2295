// SAR archives: the index format, name look-up, the search order over a list
// of archives and the loose files in front of it, the key table, and indexes
// that are cut short or lie.
#include "archive/SarReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "archive/ArchiveBytes.h"
#include "archive/Encoders.h"

namespace velmora {
namespace {

using test::sarArchive;
using test::ScratchDir;
using test::StoredEntry;

// Open descriptors of this process.
size_t openDescriptors() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& item : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

class SarReaderTest : public ::testing::Test {
  protected:
    std::string root() const { return dir.path().string() + "/"; }
    // Reads `name` into a buffer of `capacity` bytes; the bytes written.
    std::string read(BaseReader& reader, const std::string& name, size_t capacity = 4096,
                     ArchiveLocation* location = nullptr) {
        std::vector<uint8_t> buffer(capacity);
        int32_t n = reader.readFile(name, buffer.data(), capacity, location);
        return std::string(buffer.begin(), buffer.begin() + n);
    }

    ScratchDir dir;
};

TEST_F(SarReaderTest, NamesMatchInAnyCaseWithEitherSeparator) {
    dir.write(
        "arc.sar",
        sarArchive({{"IMG\\A.BMP", "pixels"}, {"snd\\b.wav", "wave"}, {"\x82\x61.TXT", "wide"}}));
    SarReader reader(root());
    ASSERT_EQ(reader.openArchive("arc.sar"), 0);
    for (const char* name : {"img/a.bmp", "Img\\A.bmp", "IMG/A.BMP"}) {
        EXPECT_EQ(reader.fileLength(name), 6) << name;
        ArchiveLocation location = ArchiveLocation::Direct;
        EXPECT_EQ(read(reader, name, 4096, &location), "pixels") << name;
        EXPECT_EQ(location, ArchiveLocation::Sar);
    }
    // Stored names are upper-cased as they are read, trail bytes included.
    EXPECT_EQ(read(reader, "SND/B.WAV"), "wave");
    EXPECT_EQ(read(reader, "\x82\x41.txt"), "wide");
    EXPECT_EQ(reader.fileLength("img/a.bm"), 0);
    ArchiveLocation location = ArchiveLocation::Direct;
    EXPECT_EQ(read(reader, "img/none.bmp", 4096, &location), "");
    EXPECT_EQ(location, ArchiveLocation::Sar);
}

TEST_F(SarReaderTest, ALooseFileHidesTheEntryOfTheSameName) {
    dir.write("arc.sar", sarArchive({{"IMG\\A.BMP", "stored"}}));
    std::filesystem::create_directory(dir.path() / "img");
    dir.write("img/a.bmp", "loose!!");
    SarReader reader(root());
    ASSERT_EQ(reader.openArchive("arc.sar"), 0);
    EXPECT_EQ(reader.fileLength("IMG\\A.BMP"), 7);
    ArchiveLocation location = ArchiveLocation::Sar;
    EXPECT_EQ(read(reader, "IMG\\A.BMP", 4096, &location), "loose!!");
    EXPECT_EQ(location, ArchiveLocation::Direct);
}

TEST_F(SarReaderTest, ArchivesAreSearchedAndNumberedInTheOrderOpened) {
    dir.write("one.sar", sarArchive({{"A.TXT", "first"}, {"EMPTY.TXT", ""}}));
    dir.write("two.sar",
              sarArchive({{"A.TXT", "second"}, {"B.TXT", "bee"}, {"EMPTY.TXT", "filled"}}));
    SarReader reader(root());
    EXPECT_EQ(reader.openArchive("missing.sar"), -1);
    ASSERT_EQ(reader.openArchive("one.sar"), 0);
    ASSERT_EQ(reader.openArchive("two.sar"), 0);
    EXPECT_EQ(read(reader, "a.txt"), "first");
    EXPECT_EQ(read(reader, "b.txt"), "bee");
    // The first archive holding a name gives its length, even 0; a read of 0
    // bytes goes on to the next archive.
    EXPECT_EQ(reader.fileLength("empty.txt"), 0);
    EXPECT_EQ(read(reader, "empty.txt"), "filled");

    EXPECT_EQ(reader.entryCount(), 5);
    EXPECT_EQ(reader.getFileByIndex(1).name, "EMPTY.TXT");
    ArchiveEntry b = reader.getFileByIndex(3);
    EXPECT_EQ(b.name, "B.TXT");
    EXPECT_EQ(b.length, 3);
    test::ExitResult result = test::runTrappingExit([&] {
        ArchiveEntry past = reader.getFileByIndex(7);
        EXPECT_EQ(past.name, "");
        EXPECT_EQ(past.length, 0);
    });
    EXPECT_EQ(result.stderr_text, "SarReader::getFileByIndex  Index 2 is out of range\n");
}

TEST_F(SarReaderTest, AKeyTableDecodesTheWholeArchiveButNotLooseFiles) {
    const auto key = test::testKeyTable();
    dir.write("arc.sar", test::keyed(key, sarArchive({{"img\\Key.bmp", "secret"}})));
    dir.write("plain.txt", test::keyed(key, "as stored"));
    SarReader reader(root(), &key);
    ASSERT_EQ(reader.openArchive("arc.sar"), 0);
    EXPECT_EQ(read(reader, "IMG/KEY.BMP"), "secret");
    EXPECT_EQ(read(reader, "plain.txt"), test::keyed(key, "as stored"));
    // The same archive read without the table holds nothing findable.
    SarReader unkeyed(root());
    ASSERT_EQ(unkeyed.openArchive("arc.sar"), 0);
    EXPECT_EQ(unkeyed.fileLength("IMG/KEY.BMP"), 0);
}

TEST_F(SarReaderTest, ReadsStopAtTheCallersCapacity) {
    dir.write("arc.sar", sarArchive({{"LONG.TXT", "0123456789"}}));
    SarReader reader(root());
    ASSERT_EQ(reader.openArchive("arc.sar"), 0);
    std::vector<uint8_t> buffer(8, '#');
    EXPECT_EQ(reader.readFile("long.txt", buffer.data(), 4), 4);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), "0123####");
}

TEST_F(SarReaderTest, LengthAndReadAgreeOnTheTypeAtTheTimeOfTheCall) {
    const std::string text(300, 'v');
    std::vector<uint8_t> packed;
    std::string error;
    ASSERT_TRUE(packVBZ(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
                        packed, error))
        << error;
    const std::string vbz(packed.begin(), packed.end());
    // A 1x1 SPB picture: width, height, one 8-bit value per colour plane.
    const std::string spb = std::string("\0\1\0\1", 4) + "\x10\x20\x30";
    dir.write("arc.sar", sarArchive({{"MUSIC.VQZ", vbz}, {"PIC.SPB", spb}}));
    SarReader reader(root());
    ASSERT_EQ(reader.openArchive("arc.sar"), 0);

    EXPECT_EQ(reader.fileLength("music.vqz"), static_cast<int32_t>(vbz.size()));
    EXPECT_EQ(read(reader, "music.vqz"), vbz);
    reader.addCompressionRule("vqz", CompressionType::VBZ);
    EXPECT_EQ(reader.fileLength("music.vqz"), 300);
    EXPECT_EQ(read(reader, "music.vqz"), text);
    EXPECT_EQ(reader.getFileByIndex(0).compression, CompressionType::VBZ);

    // 1x1 gives rows of 3 + 1 bytes after the 54-byte header.
    EXPECT_EQ(reader.fileLength("pic.spb"), 58);
    const std::string bitmap = read(reader, "pic.spb");
    ASSERT_EQ(bitmap.size(), 58u);
    EXPECT_EQ(bitmap.substr(0, 2), "BM");
    EXPECT_EQ(bitmap.substr(54), std::string("\x10\x20\x30\0", 4));
}

TEST_F(SarReaderTest, DamagedIndexesKeepWhatTheyHoldAndNeverReadOutside) {
    // Five entries declared over three: the data bytes end the index.
    std::string over = sarArchive({{"A.TXT", "aa"}, {"B.TXT", "bb"}, {"C.TXT", "cc"}});
    over[1] = 5;
    dir.write("over.sar", over);
    // Cut inside the third name: two entries, whose data went with the cut.
    std::string cut = sarArchive({{"D.TXT", "dd"}, {"E.TXT", "ee"}, {"F.TXT", "ff"}});
    cut.resize(6 + 2 * (6 + 8) + 3);
    dir.write("cut.sar", cut);
    // Entry data running past the end of the file.
    std::string past = sarArchive({{"OUT.TXT", "xxxx"}});
    past.resize(past.size() - 2);
    dir.write("past.sar", past);
    // Names over 255 bytes are never found, and do not upset the entries after them.
    dir.write("long.sar", sarArchive({{"FIRST.TXT", "1"},
                                      {std::string(300, 'L'), "long"},
                                      {std::string(255, 'M'), "max"},
                                      {"LAST.TXT", "2"}}));
    // 65535 entries claimed by a file of six bytes.
    dir.write("huge.sar", std::string("\xFF\xFF\xFF\xFF\xFF\xFF", 6));

    SarReader reader(root());
    for (const char* name : {"over.sar", "cut.sar", "past.sar", "long.sar", "huge.sar"})
        ASSERT_EQ(reader.openArchive(name), 0) << name;
    EXPECT_EQ(reader.entryCount(), 3 + 2 + 1 + 4);
    EXPECT_EQ(read(reader, "c.txt"), "cc");
    EXPECT_EQ(reader.getFileByIndex(4).name, "E.TXT");
    for (const char* name : {"d.txt", "f.txt", "out.txt"}) {
        EXPECT_EQ(reader.fileLength(name), 0) << name;
        EXPECT_EQ(read(reader, name), "") << name;
    }
    EXPECT_EQ(read(reader, "first.txt"), "1");
    EXPECT_EQ(read(reader, "last.txt"), "2");
    EXPECT_EQ(read(reader, std::string(255, 'm')), "max");
    EXPECT_EQ(reader.fileLength(std::string(300, 'L')), 0);
    EXPECT_EQ(reader.fileLength(std::string(255, 'L')), 0);
    EXPECT_EQ(reader.getFileByIndex(7).name, std::string(255, 'L'));
}

TEST_F(SarReaderTest, ArchiveFilesCloseWithTheReader) {
    dir.write("one.sar", sarArchive({{"A.TXT", "a"}}));
    dir.write("two.sar", sarArchive({{"B.TXT", "b"}}));
    const size_t before = openDescriptors();
    {
        SarReader reader(root());
        ASSERT_EQ(reader.openArchive("one.sar"), 0);
        ASSERT_EQ(reader.openArchive("two.sar"), 0);
        EXPECT_EQ(openDescriptors(), before + 2);
        EXPECT_EQ(reader.closeArchives(), 0);
        EXPECT_EQ(openDescriptors(), before);
        EXPECT_EQ(reader.fileLength("a.txt"), 0);
        ASSERT_EQ(reader.openArchive("one.sar"), 0);
    }
    EXPECT_EQ(openDescriptors(), before);
}

} // namespace
} // namespace velmora
