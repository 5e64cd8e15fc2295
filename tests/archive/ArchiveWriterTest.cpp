// The archive writers produce the index layouts byte for byte, and apply a
// key table to exactly the bytes a reader substitutes.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "archive/ArchiveWriter.h"

namespace velmora {
namespace {

using test::ScratchDir;

struct Item {
    std::string name;
    std::string data;
    CompressionType coding = CompressionType::None;
    uint32_t decoded_length = 0;
};

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Writes the items into an archive and returns the file's bytes ("" on failure).
std::string writeArchive(const ScratchDir& dir, ArchiveKind kind, int32_t skip,
                         const std::vector<Item>& items,
                         const std::array<uint8_t, 256>* key = nullptr) {
    std::string path = (dir.path() / "written").string();
    ArchiveWriter writer(kind, skip, key);
    std::vector<std::string> names;
    for (const Item& item : items) names.push_back(item.name);
    std::string error;
    if (!writer.begin(path, names, error)) {
        ADD_FAILURE() << error;
        return "";
    }
    for (const Item& item : items) {
        EntryData entry;
        entry.coding = item.coding;
        entry.index_type = item.coding;
        entry.bytes = {reinterpret_cast<const uint8_t*>(item.data.data()), item.data.size()};
        entry.decoded_length = item.decoded_length;
        if (!writer.add(entry, error)) ADD_FAILURE() << error;
    }
    if (!writer.finish(error)) ADD_FAILURE() << error;
    return readAll(path);
}

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

TEST(ArchiveWriterTest, SarLayout) {
    ScratchDir dir;
    std::string file =
        writeArchive(dir, ArchiveKind::Sar, 0, {{"a.txt", "hello"}, {"DIR\\B.bin", "xy"}});
    std::string expected = bytes({0, 2, 0, 0, 0, 38}) + std::string("a.txt\0", 6) +
                           bytes({0, 0, 0, 0, 0, 0, 0, 5}) + std::string("DIR\\B.bin\0", 10) +
                           bytes({0, 0, 0, 5, 0, 0, 0, 2}) + "hello" + "xy";
    EXPECT_EQ(file, expected);
}

TEST(ArchiveWriterTest, VlaLayoutWithSkippedByte) {
    ScratchDir dir;
    std::string file = writeArchive(
        dir, ArchiveKind::Vla, 1,
        {{"x_lz", "abc", CompressionType::LZSS, 10}, {"y", "de", CompressionType::None, 2}});
    // The data start (6 + 18 + 15 = 39) and offsets are counted after the skipped byte.
    std::string expected = bytes({0, 0, 2, 0, 0, 0, 39}) + std::string("x_lz\0", 5) +
                           bytes({2, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 10}) + std::string("y\0", 2) +
                           bytes({0, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 2}) + "abc" + "de";
    EXPECT_EQ(file, expected);
}

TEST(ArchiveWriterTest, Vl2LayoutEndsItsListWithANonQuote) {
    ScratchDir dir;
    // The first data byte is a quote: only the terminator keeps it out of the list.
    std::string file =
        writeArchive(dir, ArchiveKind::Vl2, 2, {{"s.ogg", "\"2345"}, {"t", ""}, {"u", "6"}});
    std::string expected = bytes({0, 0, 30, 0, 0, 0}) + "\"s.ogg\"" + bytes({5, 0, 0, 0}) +
                           "\"t\"" + bytes({0, 0, 0, 0}) + "\"u\"" + bytes({1, 0, 0, 0}) +
                           bytes({0}) + "\"2345" + "6";
    EXPECT_EQ(file, expected);
}

TEST(ArchiveWriterTest, KeyCoversTheIndexAndTheBytesReadersSubstitute) {
    ScratchDir dir;
    std::array<uint8_t, 256> key{}; // stored byte -> plain byte, as readers use it
    for (int i = 0; i < 256; ++i) key[i] = static_cast<uint8_t>((i * 7 + 3) % 256);
    std::string bz = std::string("\0\0\0\x09", 4) + "BZh91AY&SY";
    std::vector<Item> items = {{"p.bmp", "plain", CompressionType::None, 5},
                               {"m.vbz", bz, CompressionType::VBZ, 9},
                               {"z.dat", "lzss", CompressionType::LZSS, 6}};
    std::string plain = writeArchive(dir, ArchiveKind::Vla, 0, items);
    std::string keyed = writeArchive(dir, ArchiveKind::Vla, 0, items, &key);
    ASSERT_EQ(plain.size(), keyed.size());
    size_t vbz_start = plain.find("BZh91") - 4;
    for (size_t i = 0; i < plain.size(); ++i) {
        bool bzip2_stream = i >= vbz_start + 4 && i < vbz_start + bz.size();
        uint8_t seen = static_cast<uint8_t>(keyed[i]);
        uint8_t read = bzip2_stream ? seen : key[seen];
        EXPECT_EQ(read, static_cast<uint8_t>(plain[i])) << "byte " << i;
    }
}

TEST(ArchiveWriterTest, KeyedPrefixIsTheVbzLengthOnly) {
    EXPECT_EQ(keyedPrefix(CompressionType::VBZ, 100), 4u);
    EXPECT_EQ(keyedPrefix(CompressionType::VBZ, 3), 3u);
    EXPECT_EQ(keyedPrefix(CompressionType::SPB, 100), 100u);
    EXPECT_EQ(keyedPrefix(CompressionType::LZSS, 100), 100u);
    EXPECT_EQ(keyedPrefix(CompressionType::None, 100), 100u);
}

TEST(ArchiveWriterTest, RefusesNamesReadersCannotFind) {
    EXPECT_EQ(entryNameProblem(ArchiveKind::Sar, "dir\\a.txt"), "");
    EXPECT_NE(entryNameProblem(ArchiveKind::Sar, ""), "");
    EXPECT_NE(entryNameProblem(ArchiveKind::Sar, "dir/a.txt"), "");
    EXPECT_NE(entryNameProblem(ArchiveKind::Vla, std::string("a\0b", 3)), "");
    EXPECT_EQ(entryNameProblem(ArchiveKind::Vla, std::string(255, 'n')), "");
    EXPECT_NE(entryNameProblem(ArchiveKind::Vla, std::string(256, 'n')), "");
    EXPECT_EQ(entryNameProblem(ArchiveKind::Sar, "say \"hi\".txt"), "");
    EXPECT_NE(entryNameProblem(ArchiveKind::Vl2, "say \"hi\".txt"), "");
}

TEST(ArchiveWriterTest, BeginRefusesWhatTheIndexCannotHold) {
    ScratchDir dir;
    std::string path = (dir.path() / "x").string();
    std::string error;
    EXPECT_FALSE(ArchiveWriter(ArchiveKind::Sar).begin(path, {"a.txt", "A.TXT"}, error));
    EXPECT_NE(error.find("A.TXT"), std::string::npos);
    EXPECT_FALSE(ArchiveWriter(ArchiveKind::Sar, 1).begin(path, {"a"}, error));
    EXPECT_FALSE(ArchiveWriter(ArchiveKind::Vla, 3).begin(path, {"a"}, error));
    EXPECT_FALSE(ArchiveWriter(ArchiveKind::Vl2).begin(path, {"a\"b"}, error));

    std::vector<std::string> many;
    for (int i = 0; i < 65536; ++i) many.push_back(std::to_string(i));
    EXPECT_FALSE(ArchiveWriter(ArchiveKind::Sar).begin(path, many, error));
    many.pop_back();
    EXPECT_TRUE(ArchiveWriter(ArchiveKind::Sar).begin(path, many, error)) << error;

    std::array<uint8_t, 256> not_a_permutation{};
    EXPECT_FALSE(ArchiveWriter(ArchiveKind::Sar, 0, &not_a_permutation).begin(path, {"a"}, error));
}

TEST(ArchiveWriterTest, EntriesMustMatchTheNames) {
    ScratchDir dir;
    std::string path = (dir.path() / "x").string();
    std::string error;
    EntryData entry;
    ArchiveWriter short_of_one(ArchiveKind::Vl2);
    ASSERT_TRUE(short_of_one.begin(path, {"a", "b"}, error));
    ASSERT_TRUE(short_of_one.add(entry, error));
    EXPECT_FALSE(short_of_one.finish(error));

    ArchiveWriter one_too_many(ArchiveKind::Vl2);
    ASSERT_TRUE(one_too_many.begin(path, {"a"}, error));
    ASSERT_TRUE(one_too_many.add(entry, error));
    EXPECT_FALSE(one_too_many.add(entry, error));
}

} // namespace
} // namespace velmora
