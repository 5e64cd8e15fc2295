// Loose files under the archive path: name conversion, case-insensitive
// look-up, the compression registry, capacities and the byte readers.
#include "archive/DirectReader.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace velmora {
namespace {

using test::ScratchDir;
using Bytes = std::vector<uint8_t>;
using KeyTable = std::array<uint8_t, 256>;

class ReaderProbe : public DirectReader {
  public:
    using DirectReader::compressionOf;
    using DirectReader::DirectReader;
    using DirectReader::entryName;
    using DirectReader::looseName;
    using DirectReader::readByte;
    using DirectReader::readInt16;
    using DirectReader::readInt32;
    using DirectReader::readInt32LE;
};

std::string prefixOf(const ScratchDir& dir) {
    return dir.path().string() + "/";
}

// Reads through readFile into a buffer of `capacity` bytes.
std::string readAll(DirectReader& reader, const std::string& name, size_t capacity = 4096) {
    std::string out(capacity, '\0');
    int32_t n = reader.readFile(name, reinterpret_cast<uint8_t*>(out.data()), capacity);
    out.resize(static_cast<size_t>(n));
    return out;
}

// A 1x1 SPB picture with pixel (blue 0x11, green 0x22, red 0x33).
const std::string ONE_PIXEL_SPB("\x00\x01\x00\x01\x11\x22\x33", 7);

TEST(DirectReaderTest, SlashAndBackslashNameTheSameFile) {
    ScratchDir dir;
    dir.write("img/sub/a.bmp", "picture");
    ReaderProbe reader(prefixOf(dir));
    for (const char* name : {"img/sub/a.bmp", "img\\sub\\a.bmp", "img\\sub/a.bmp"}) {
        EXPECT_EQ(reader.fileLength(name), 7) << name;
        EXPECT_EQ(readAll(reader, name), "picture") << name;
    }
    EXPECT_EQ(reader.fileLength("img/sub/b.bmp"), 0);
    EXPECT_EQ(readAll(reader, "img/sub/b.bmp"), "");
}

TEST(DirectReaderTest, ShiftJisTrailBytesAreNotSeparators) {
    // 0x95 0x5C and 0xE0 0x5C are two-byte characters ending in a backslash
    // byte; 0xB1 is a one-byte character, so the backslash after it separates.
    EXPECT_EQ(ReaderProbe::looseName("\x95\x5C\\x.png"), "\x95\x5C/x.png");
    EXPECT_EQ(ReaderProbe::looseName("\xE0\x5C\\x.png"), "\xE0\x5C/x.png");
    EXPECT_EQ(ReaderProbe::looseName("\xB1\\x.png"), "\xB1/x.png");
    EXPECT_EQ(ReaderProbe::looseName("a\\\x81\x5C\\"), "a/\x81\x5C/");

    ScratchDir dir;
    dir.write("\x95\x5C.txt", "kanji");
    dir.write("\xB1/k.txt", "kana");
    ReaderProbe reader(prefixOf(dir));
    EXPECT_EQ(readAll(reader, "\x95\x5C.txt"), "kanji");
    EXPECT_EQ(readAll(reader, "\xB1\\k.txt"), "kana");
}

TEST(DirectReaderTest, LongNamesAreCutTo256Bytes) {
    // Components stay under the file system's 255-byte limit.
    std::string name =
        std::string(100, 'd') + "/" + std::string(100, 'e') + "/" + std::string(50, 'f') + ".dat";
    ASSERT_EQ(name.size(), 256u);
    ScratchDir dir;
    dir.write(name, "found");
    ReaderProbe reader(prefixOf(dir));
    EXPECT_EQ(reader.fileLength(name + std::string(44, 'x')), 5);
    EXPECT_EQ(ReaderProbe::looseName(name + "zz").size(), 256u);
    EXPECT_EQ(ReaderProbe::entryName(std::string(300, 'q')), std::string(256, 'Q'));
}

TEST(DirectReaderTest, ShortNamesAndDirectoriesAreNotFiles) {
    ScratchDir dir;
    dir.write("ab", "xy");
    dir.write("img/a.bmp", "x");
    ReaderProbe reader(prefixOf(dir));
    EXPECT_EQ(reader.fileLength("ab"), 0);
    EXPECT_EQ(reader.fileLength("img"), 0);
    EXPECT_EQ(reader.fileLength("IMG"), 0);
    EXPECT_EQ(readAll(reader, "img"), "");
}

TEST(DirectReaderTest, NamesAreMatchedIgnoringCaseComponentByComponent) {
    ScratchDir dir;
    dir.write("Img/Sub/Pic.BMP", "mixed");
    dir.write("exact.bmp", "lower");
    dir.write("EXACT.BMP", "upper");
    ReaderProbe reader(prefixOf(dir));
    for (const char* name : {"img/sub/pic.bmp", "IMG\\SUB\\PIC.BMP", "Img/sub/PIC.bmp"})
        EXPECT_EQ(readAll(reader, name), "mixed") << name;
    // An exact name wins over other spellings.
    EXPECT_EQ(readAll(reader, "exact.bmp"), "lower");
    EXPECT_EQ(readAll(reader, "EXACT.BMP"), "upper");
    EXPECT_EQ(reader.fileLength("img/pic.bmp"), 0);

    // Shift_JIS trail bytes that look like letters are not folded: 0x82 0x61
    // and 0x82 0x41 are different characters.
    EXPECT_EQ(foldCase("A\x82\x61Z\x82\x41"), "a\x82\x61z\x82\x41");
    EXPECT_EQ(foldCase("\xB1X"), "\xB1x"); // 0xB1 is a one-byte character
    dir.write("\x82\x61.txt", "x");
    EXPECT_EQ(reader.fileLength("\x82\x41.TXT"), 0);
    EXPECT_EQ(reader.fileLength("\x82\x61.TXT"), 1);
}

TEST(DirectReaderTest, CaseInsensitiveLookupSeesLaterChanges) {
    namespace fs = std::filesystem;
    ScratchDir dir;
    dir.write("Img/Old.bmp", "old");
    // Directories last changed long ago get cached listings.
    auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(dir.path() / "Img", past);
    fs::last_write_time(dir.path(), past);
    ReaderProbe reader(prefixOf(dir));
    EXPECT_EQ(readAll(reader, "img/old.BMP"), "old");
    EXPECT_EQ(reader.fileLength("img/new.bmp"), 0);

    dir.write("Img/New.bmp", "new");
    EXPECT_EQ(readAll(reader, "img/new.BMP"), "new");
    fs::remove(dir.path() / "Img/Old.bmp");
    EXPECT_EQ(reader.fileLength("img/old.BMP"), 0);
    fs::rename(dir.path() / "Img/New.bmp", dir.path() / "Img/Renamed.bmp");
    EXPECT_EQ(reader.fileLength("IMG/NEW.BMP"), 0);
    EXPECT_EQ(readAll(reader, "IMG/RENAMED.BMP"), "new");

    // A directory changed just now is listed again on the next look-up, even
    // when a later change leaves its coarse time stamp as it was.
    dir.write("Img/Fresh.bmp", "1");
    auto stamp = fs::last_write_time(dir.path() / "Img");
    EXPECT_EQ(reader.fileLength("img/fresh.bmp"), 1);
    dir.write("Img/Fresher.bmp", "22");
    fs::last_write_time(dir.path() / "Img", stamp);
    EXPECT_EQ(reader.fileLength("img/fresher.bmp"), 2);
}

TEST(DirectReaderTest, RegistryDecidesByExtension) {
    ReaderProbe reader;
    EXPECT_EQ(reader.compressionOf("a.spb"), CompressionType::SPB);
    EXPECT_EQ(reader.compressionOf("dir.x/A.SPB"), CompressionType::SPB);
    EXPECT_EQ(reader.compressionOf("a.vbz"), CompressionType::VBZ);
    EXPECT_EQ(reader.compressionOf("a.jpg"), CompressionType::None);
    EXPECT_EQ(reader.compressionOf("a.spb.png"), CompressionType::None);
    // Without a dot there is no extension, whatever the name ends in.
    EXPECT_EQ(reader.compressionOf("xspb"), CompressionType::None);
    EXPECT_EQ(reader.compressionOf("vbz"), CompressionType::None);

    reader.addCompressionRule("jpg", CompressionType::SPB); // JPG is registered first
    reader.addCompressionRule("vlz", CompressionType::LZSS);
    reader.addCompressionRule("QeB", CompressionType::SPB);
    EXPECT_EQ(reader.compressionOf("a.JPG"), CompressionType::None);
    EXPECT_EQ(reader.compressionOf("a.Vlz"), CompressionType::LZSS);
    EXPECT_EQ(reader.compressionOf("a.qeb"), CompressionType::SPB);
}

TEST(DirectReaderTest, LengthAndReadAgreeForEveryKind) {
    ScratchDir dir;
    dir.write("plain.bmp", "0123456789");
    dir.write("pic.spb", ONE_PIXEL_SPB);
    dir.write("PIC2.SPB", ONE_PIXEL_SPB);
    dir.write("xspb", ONE_PIXEL_SPB); // no extension: stored as is
    dir.write("cut.spb", std::string("\x00\x04", 2));
    dir.write("bad.vbz", std::string("\x00\x00\x01\x00garbage", 11));
    ReaderProbe reader(prefixOf(dir));
    reader.addCompressionRule("raw", CompressionType::SPB);
    dir.write("late.raw", ONE_PIXEL_SPB);
    struct Case {
        const char* name;
        int32_t length;
    };
    for (auto [name, length] : {Case{"plain.bmp", 10}, Case{"pic.spb", 58}, Case{"PIC2.SPB", 58},
                                Case{"late.raw", 58}, Case{"xspb", 7}, Case{"cut.spb", 0}}) {
        EXPECT_EQ(reader.fileLength(name), length) << name;
        EXPECT_EQ(readAll(reader, name).size(), static_cast<size_t>(length)) << name;
    }
    std::string bitmap = readAll(reader, "pic.spb");
    EXPECT_EQ(bitmap.substr(0, 2), "BM");
    EXPECT_EQ(bitmap.substr(54), std::string("\x11\x22\x33\x00", 4));
    // The length comes from the VBZ prefix; the broken stream then reads nothing.
    EXPECT_EQ(reader.fileLength("bad.vbz"), 256);
    EXPECT_EQ(readAll(reader, "bad.vbz"), "");
}

TEST(DirectReaderTest, ReadFileHonoursCapacityAndReportsLocation) {
    ScratchDir dir;
    dir.write("data.txt", "abcdefghij");
    dir.write("pic.spb", ONE_PIXEL_SPB);
    ReaderProbe reader(prefixOf(dir));
    for (const char* name : {"data.txt", "pic.spb"}) {
        std::string buffer(64, '#');
        auto location = static_cast<ArchiveLocation>(-1);
        int32_t n = reader.readFile(name, reinterpret_cast<uint8_t*>(buffer.data()), 4, &location);
        EXPECT_EQ(n, 4) << name;
        EXPECT_EQ(buffer.substr(4), std::string(60, '#')) << name;
        EXPECT_EQ(location, ArchiveLocation::Direct);
    }
    auto location = ArchiveLocation::Vla;
    uint8_t byte = 0;
    EXPECT_EQ(reader.readFile("missing.txt", &byte, 1, &location), 0);
    EXPECT_EQ(location, ArchiveLocation::Vla);
}

TEST(DirectReaderTest, KeyTableLeavesLooseStoredFilesAlone) {
    KeyTable key{};
    for (int i = 0; i < 256; ++i) key[i] = static_cast<uint8_t>(255 - i);
    ScratchDir dir;
    std::string stored = "\x01\x02\xFE stored";
    dir.write("a.bmp", stored);
    std::string keyed_spb;
    for (char c : ONE_PIXEL_SPB) keyed_spb += static_cast<char>(255 - static_cast<uint8_t>(c));
    dir.write("k.spb", keyed_spb);
    ReaderProbe reader(prefixOf(dir), &key);
    EXPECT_EQ(readAll(reader, "a.bmp"), stored);
    // SPB bits always come through the key table.
    EXPECT_EQ(reader.fileLength("k.spb"), 58);
    EXPECT_EQ(readAll(reader, "k.spb").substr(54), std::string("\x11\x22\x33\x00", 4));
}

TEST(DirectReaderTest, ByteReadersSubstituteAndStopAtEndOfFile) {
    KeyTable key{};
    for (int i = 0; i < 256; ++i) key[i] = static_cast<uint8_t>(i ^ 0x0F);
    ReaderProbe reader("", &key);
    FILE* file = std::tmpfile();
    const uint8_t bytes[] = {0x1F, 0x2E, 0x3D, 0x4C, 0x5B, 0x6A, 0x79,
                             0x88, 0x97, 0xA6, 0xB5, 0xC4, 0xD3};
    std::fwrite(bytes, 1, sizeof bytes, file);
    std::rewind(file);
    uint8_t b = 0;
    uint16_t h = 0;
    uint32_t w = 0, le = 0;
    EXPECT_TRUE(reader.readByte(file, b));
    EXPECT_EQ(b, 0x10);
    EXPECT_TRUE(reader.readInt16(file, h));
    EXPECT_EQ(h, 0x2132);
    EXPECT_TRUE(reader.readInt32(file, w));
    EXPECT_EQ(w, 0x43546576u);
    EXPECT_TRUE(reader.readInt32LE(file, le));
    EXPECT_EQ(le, 0xBAA99887u);
    // Two bytes left: a 32-bit read fails and changes nothing.
    EXPECT_FALSE(reader.readInt32(file, w));
    EXPECT_EQ(w, 0x43546576u);
    EXPECT_FALSE(reader.readByte(file, b));
    EXPECT_FALSE(reader.readInt16(file, h));
    EXPECT_EQ(h, 0x2132);
    std::fclose(file);
}

} // namespace
} // namespace velmora
