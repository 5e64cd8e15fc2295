// The numbered archive family: which archives open and in what order, the
// vla and vl2 index layouts with their skipped leading bytes, the search that
// passes over empty entries, and the fall-back to arc.sar.
#include "archive/VlaReader.h"

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
using test::vl2Archive;
using test::vlaArchive;

constexpr int32_t BOTH_KINDS = ARCHIVE_KIND_VLA | ARCHIVE_KIND_VL2;

class VlaReaderTest : public ::testing::Test {
  protected:
    std::string root() const { return dir.path().string() + "/"; }
    std::string read(BaseReader& reader, const std::string& name,
                     ArchiveLocation* location = nullptr) {
        std::vector<uint8_t> buffer(4096);
        int32_t n = reader.readFile(name, buffer.data(), buffer.size(), location);
        return std::string(buffer.begin(), buffer.begin() + n);
    }
    // Each archive holds one entry named after the archive, and "SHARED.TXT".
    void writeMember(const std::string& file, const std::string& archive) {
        std::vector<StoredEntry> entries = {{file + ".TXT", file}, {"SHARED.TXT", file}};
        dir.write(file, archive == "vl2" ? vl2Archive(entries) : vlaArchive(entries));
    }

    ScratchDir dir;
};

TEST_F(VlaReaderTest, ArcSarTakesOverTheWholeFamily) {
    dir.write("arc.sar", sarArchive({{"S.TXT", "sar"}}));
    writeMember("00.vl2", "vl2");
    writeMember("arc.vla", "vla");
    VlaReader reader(0, root(), BOTH_KINDS);
    ASSERT_EQ(reader.openArchive(""), 0);
    EXPECT_STREQ(reader.kindName(), "vla");
    EXPECT_EQ(read(reader, "s.txt"), "sar");
    ArchiveLocation location = ArchiveLocation::Direct;
    EXPECT_EQ(read(reader, "shared.txt", &location), "");
    EXPECT_EQ(location, ArchiveLocation::Sar);
    EXPECT_EQ(reader.entryCount(), 1);
    test::ExitResult result = test::runTrappingExit([&] { reader.getFileByIndex(3); });
    EXPECT_EQ(result.stderr_text, "SarReader::getFileByIndex  Index 2 is out of range\n");
}

TEST_F(VlaReaderTest, Vl2ArchivesOpenUpToTheFirstGapAndShutOutVla) {
    for (const char* name : {"00.vl2", "01.vl2", "03.vl2"}) writeMember(name, "vl2");
    writeMember("arc.vla", "vla");
    VlaReader reader(0, root(), BOTH_KINDS);
    ASSERT_EQ(reader.openArchive(""), 0);
    ArchiveLocation location = ArchiveLocation::Direct;
    EXPECT_EQ(read(reader, "01.vl2.txt", &location), "01.vl2");
    EXPECT_EQ(location, ArchiveLocation::Vl2);
    EXPECT_EQ(read(reader, "shared.txt"), "00.vl2");
    EXPECT_EQ(reader.fileLength("03.vl2.txt"), 0);
    location = ArchiveLocation::Direct;
    EXPECT_EQ(read(reader, "arc.vla.txt", &location), "");
    EXPECT_EQ(location, ArchiveLocation::Vla);

    EXPECT_EQ(reader.entryCount(), 4);
    EXPECT_EQ(reader.getFileByIndex(2).name, "01.VL2.TXT");
    test::ExitResult result = test::runTrappingExit([&] { reader.getFileByIndex(5); });
    EXPECT_EQ(result.stderr_text, "VlaReader::getFileByIndex  Index 1 is out of range\n");
}

TEST_F(VlaReaderTest, VlaArchivesOpenOnlyWhenAskedForAndOnlyFromArcOn) {
    for (const char* name : {"arc.vla", "arc1.vla", "arc3.vla"}) writeMember(name, "vla");
    VlaReader start_up(0, root(), ARCHIVE_KIND_VL2);
    EXPECT_EQ(start_up.openArchive(""), -1);
    EXPECT_EQ(start_up.fileLength("arc.vla.txt"), 0);

    VlaReader reader(0, root(), BOTH_KINDS);
    ASSERT_EQ(reader.openArchive(""), 0);
    ArchiveLocation location = ArchiveLocation::Direct;
    EXPECT_EQ(read(reader, "arc1.vla.txt", &location), "arc1.vla");
    EXPECT_EQ(location, ArchiveLocation::Vla);
    EXPECT_EQ(read(reader, "shared.txt"), "arc.vla");
    EXPECT_EQ(reader.fileLength("arc3.vla.txt"), 0);

    std::filesystem::remove(dir.path() / "arc.vla");
    VlaReader without_first(0, root(), BOTH_KINDS);
    EXPECT_EQ(without_first.openArchive(""), -1);
    EXPECT_EQ(without_first.fileLength("arc1.vla.txt"), 0);
}

TEST_F(VlaReaderTest, TheDirectoryPrefixAppliesToTheFamilyButNotToArcSar) {
    std::filesystem::create_directory(dir.path() / "data");
    writeMember("data/00.vl2", "vl2");
    writeMember("00.vl2", "vl2");
    VlaReader reader(0, root(), BOTH_KINDS);
    ASSERT_EQ(reader.openArchive("data/"), 0);
    EXPECT_EQ(read(reader, "shared.txt"), "data/00.vl2");
    EXPECT_EQ(reader.fileLength("00.vl2.txt"), 0);

    dir.write("arc.sar", sarArchive({{"S.TXT", "sar"}}));
    VlaReader sar(0, root(), BOTH_KINDS);
    ASSERT_EQ(sar.openArchive("data/"), 0);
    EXPECT_EQ(read(sar, "s.txt"), "sar");
}

TEST_F(VlaReaderTest, EmptyEntriesPassTheSearchOn) {
    dir.write("00.vl2", vl2Archive({{"E.TXT", ""}, {"F.TXT", "f0"}}));
    dir.write("01.vl2", vl2Archive({{"E.TXT", "from 01"}}));
    VlaReader reader(0, root(), BOTH_KINDS);
    ASSERT_EQ(reader.openArchive(""), 0);
    EXPECT_EQ(reader.fileLength("e.txt"), 7);
    ArchiveLocation location = ArchiveLocation::Direct;
    EXPECT_EQ(read(reader, "e.txt", &location), "from 01");
    EXPECT_EQ(location, ArchiveLocation::Vl2);
    // vl2 data lie back to back: F follows the empty E.
    EXPECT_EQ(read(reader, "f.txt"), "f0");

    dir.write("arc.vla", vlaArchive({{"E.TXT", ""}}));
    dir.write("arc1.vla", vlaArchive({{"E.TXT", "from arc1"}}));
    std::filesystem::remove(dir.path() / "00.vl2");
    VlaReader vla(0, root(), BOTH_KINDS);
    ASSERT_EQ(vla.openArchive(""), 0);
    EXPECT_EQ(vla.fileLength("e.txt"), 9);
    EXPECT_EQ(read(vla, "e.txt"), "from arc1");
}

TEST_F(VlaReaderTest, VlaEntryTypesDecideLengthAndContent) {
    const std::string text = "abcabcabcabcabcabcabc-abcabc";
    std::vector<uint8_t> lzss =
        packLZSS(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    const auto size = static_cast<uint32_t>(text.size());
    const std::string spb = std::string("\0\1\0\1", 4) + "\x01\x02\x03";
    dir.write("arc.vla", vlaArchive({{"RAW.BIN", "stored", 0, 999},
                                     {"PACKED.BIN", std::string(lzss.begin(), lzss.end()), 2, size},
                                     {"PIC.SPB", spb, 0, 7},
                                     {"BOGUS.BIN", "\x80", 2, 1000}}));
    VlaReader reader(0, root(), BOTH_KINDS);
    ASSERT_EQ(reader.openArchive(""), 0);
    // A stored entry's length is what is stored, whatever the index claims.
    EXPECT_EQ(reader.fileLength("raw.bin"), 6);
    EXPECT_EQ(read(reader, "raw.bin"), "stored");
    EXPECT_EQ(reader.fileLength("packed.bin"), static_cast<int32_t>(size));
    EXPECT_EQ(read(reader, "packed.bin"), text);
    // Stored as type 0 with the extension spb: the SPB header gives the length.
    EXPECT_EQ(reader.fileLength("pic.spb"), 58);
    EXPECT_EQ(read(reader, "pic.spb").size(), 58u);
    // One stored byte cannot decode to 1000.
    EXPECT_EQ(reader.fileLength("bogus.bin"), 0);
    EXPECT_EQ(read(reader, "bogus.bin"), "");
}

TEST_F(VlaReaderTest, ATruncatedVl2IndexEndsTheIndex) {
    std::string cut = vl2Archive({{"A.TXT", "a"}, {"B.TXT", "b"}});
    const size_t second_entry = 4 + 1 + 5 + 1 + 4;
    std::string in_name = cut.substr(0, second_entry + 3);
    std::string in_length = cut.substr(0, second_entry + 1 + 5 + 1 + 2);
    dir.write("00.vl2", in_name);
    dir.write("01.vl2", in_length);
    VlaReader reader(0, root(), BOTH_KINDS);
    ASSERT_EQ(reader.openArchive(""), 0);
    EXPECT_EQ(reader.entryCount(), 2);
    EXPECT_EQ(reader.fileLength("b.txt"), 0);
}

} // namespace
} // namespace velmora
