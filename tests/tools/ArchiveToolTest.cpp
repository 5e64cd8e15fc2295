// velmora-archive: archives it creates list, extract and read back through
// the engine's readers exactly as the files they were made from.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"
#include "archive/ArchiveWriter.h"
#include "archive/Encoders.h"
#include "archive/VlaReader.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

ToolRun runTool(const std::vector<std::string>& args, const fs::path& cwd) {
    ScratchDir io;
    pid_t pid = fork();
    if (pid == 0) {
        int out_fd = open((io.path() / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err_fd = open((io.path() / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out_fd, 1);
        dup2(err_fd, 2);
        if (chdir(cwd.c_str()) != 0) _exit(127);
        alarm(60);
        std::vector<std::string> copies = args;
        std::string program = VELMORA_ARCHIVE_BINARY;
        std::vector<char*> argv{program.data()};
        for (auto& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    ToolRun run;
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    run.out = readAll(io.path() / "out");
    run.err = readAll(io.path() / "err");
    return run;
}

std::string randomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string out(n, '\0');
    for (char& c : out) c = static_cast<char>(rng());
    return out;
}

std::string upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

// A 24-bit bitmap of the form an SPB entry decodes to.
std::string bitmap(uint32_t w, uint32_t h) {
    uint32_t stride = 3 * w + w % 4;
    uint32_t total = stride * h + 54;
    std::string bmp(total, '\0');
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<char>(v >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put(2, total);
    put(10, 54);
    put(14, 40);
    put(18, w);
    put(22, h);
    bmp[26] = 1;
    bmp[28] = 24;
    put(34, total - 54);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t i = 0; i < 3 * w; ++i) bmp[54 + y * stride + i] = static_cast<char>(i * y);
    }
    return bmp;
}

// The files of a game directory, by relative path.
using Files = std::map<std::string, std::string>;

Files sampleFiles() {
    std::string text;
    for (int i = 0; i < 300; ++i) text += "line " + std::to_string(i % 17) + " of the story\n";
    return {
        {"Img/Sub/Deep.BIN", randomBytes(3000, 1)},
        {"img/bg01.bmp", bitmap(7, 5)},
        {"sound/se1.wav", randomBytes(777, 2) + std::string(500, '\0')},
        {"BGM/TRACK.OGG", randomBytes(100, 3)},
        {"music.vbz", text},
        {"face.spb", bitmap(5, 3)},
        {"script.txt", text},
        {"empty.dat", ""},
    };
}

void writeFiles(const ScratchDir& dir, const std::string& sub, const Files& files) {
    for (const auto& [name, bytes] : files) dir.write(sub + "/" + name, bytes);
}

// The regular files under `root`, by relative path.
Files filesUnder(const fs::path& root) {
    Files files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), root).generic_string()] = readAll(entry.path());
        }
    }
    return files;
}

// What extraction gives: the same bytes under the names the index reports.
Files asExtracted(const Files& files) {
    Files result;
    for (const auto& [name, bytes] : files) result[upper(name)] = bytes;
    return result;
}

struct Listed {
    std::string stored;
    std::string decoded;
    std::string type;
};

std::map<std::string, Listed> parseList(const std::string& out) {
    std::map<std::string, Listed> entries;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        std::string field;
        while (std::getline(parts, field, '\t')) fields.push_back(field);
        EXPECT_EQ(fields.size(), 4u) << line;
        if (fields.size() == 4) entries[fields[0]] = {fields[1], fields[2], fields[3]};
    }
    return entries;
}

TEST(ArchiveToolTest, CreateListAndExtractRoundTripEveryKind) {
    for (std::string kind : {"sar", "vla", "vl2"}) {
        SCOPED_TRACE(kind);
        ScratchDir dir;
        Files files = sampleFiles();
        writeFiles(dir, "game", files);
        std::string archive = "out." + kind;
        ToolRun created = runTool({"create", kind, archive, "game"}, dir.path());
        ASSERT_EQ(created.status, 0) << created.err;

        ToolRun listed = runTool({"list", archive}, dir.path());
        ASSERT_EQ(listed.status, 0) << listed.err;
        auto entries = parseList(listed.out);
        ASSERT_EQ(entries.size(), files.size());
        for (const auto& [name, bytes] : files) {
            std::string entry = upper(name);
            std::replace(entry.begin(), entry.end(), '/', '\\');
            ASSERT_TRUE(entries.count(entry)) << entry;
            EXPECT_EQ(entries[entry].decoded, std::to_string(bytes.size())) << entry;
        }
        EXPECT_EQ(entries["MUSIC.VBZ"].type, "vbz");
        EXPECT_LT(std::stoi(entries["MUSIC.VBZ"].stored), std::stoi(entries["MUSIC.VBZ"].decoded));
        EXPECT_EQ(entries["FACE.SPB"].type, "spb");
        EXPECT_EQ(entries["SCRIPT.TXT"].type, "none");
        EXPECT_EQ(entries["SCRIPT.TXT"].stored, entries["SCRIPT.TXT"].decoded);

        ToolRun extracted = runTool({"extract", archive, "-o", "out"}, dir.path());
        ASSERT_EQ(extracted.status, 0) << extracted.err;
        EXPECT_EQ(filesUnder(dir.path() / "out"), asExtracted(files));
    }
}

TEST(ArchiveToolTest, TheEngineReadsCreatedArchivesByGameNames) {
    // At start-up the engine opens arc.sar or 00.vl2; arc.vla through the vla command.
    const std::vector<std::tuple<std::string, std::string, int32_t>> games = {
        {"sar", "arc.sar", ARCHIVE_KIND_VL2},
        {"vl2", "00.vl2", ARCHIVE_KIND_VL2},
        {"vla", "arc.vla", ARCHIVE_KIND_VLA}};
    for (const auto& [kind, archive, kinds] : games) {
        SCOPED_TRACE(kind);
        ScratchDir dir;
        Files files = sampleFiles();
        writeFiles(dir, "src", files);
        fs::create_directory(dir.path() / "game");
        ASSERT_EQ(runTool({"create", kind, "game/" + archive, "src"}, dir.path()).status, 0);
        VlaReader reader(0, (dir.path() / "game").string() + "/", kinds);
        ASSERT_EQ(reader.openArchive(""), 0);
        for (const auto& [name, bytes] : files) {
            std::string looked_up = name == "Img/Sub/Deep.BIN" ? "img\\sub\\deep.bin" : name;
            std::string read(static_cast<size_t>(reader.fileLength(looked_up)), '\0');
            reader.readFile(looked_up, reinterpret_cast<uint8_t*>(read.data()), read.size());
            EXPECT_EQ(read, bytes) << name;
        }
    }
}

TEST(ArchiveToolTest, PackedVlaEntriesRoundTrip) {
    ScratchDir dir;
    Files files = sampleFiles();
    files["noise.bin"] = randomBytes(4000, 4);
    files["pattern.bin"] = std::string(6000, 'z') + randomBytes(10, 5);
    writeFiles(dir, "game", files);
    ToolRun created = runTool(
        {"create", "vla", "p.vla", "game", "--pack", "lzss", "--pack", "vbz:bin"}, dir.path());
    ASSERT_EQ(created.status, 0) << created.err;
    auto entries = parseList(runTool({"list", "p.vla"}, dir.path()).out);
    EXPECT_EQ(entries["SCRIPT.TXT"].type, "lzss");
    EXPECT_EQ(entries["PATTERN.BIN"].type, "vbz");
    // Packing that would not shrink an entry is dropped.
    EXPECT_EQ(entries["NOISE.BIN"].type, "none");
    EXPECT_EQ(entries["EMPTY.DAT"].type, "none");
    ToolRun extracted = runTool({"extract", "p.vla", "-o", "out"}, dir.path());
    ASSERT_EQ(extracted.status, 0) << extracted.err;
    EXPECT_EQ(filesUnder(dir.path() / "out"), asExtracted(files));
}

// Byte i of the key run: the stored form of plain byte i.
char keyed(uint8_t plain) {
    return static_cast<char>((plain * 37 + 11) % 256);
}

// A program file whose run of 256 distinct bytes makes the key table.
void writeKeyFile(const ScratchDir& dir) {
    std::string run;
    for (int i = 0; i < 256; ++i) run += keyed(static_cast<uint8_t>(i));
    dir.write("game.exe", "MZ\x01\x01" + run + "trailer");
}

TEST(ArchiveToolTest, KeyedArchivesNeedTheKey) {
    ScratchDir dir;
    writeKeyFile(dir);
    Files files = sampleFiles();
    writeFiles(dir, "game", files);
    for (std::string kind : {"sar", "vla", "vl2"}) {
        SCOPED_TRACE(kind);
        std::string archive = "k." + kind;
        ToolRun created =
            runTool({"create", kind, archive, "game", "--key-exe", "game.exe"}, dir.path());
        ASSERT_EQ(created.status, 0) << created.err;
        ToolRun extracted =
            runTool({"extract", archive, "-o", "out-" + kind, "--key-exe", "game.exe"}, dir.path());
        ASSERT_EQ(extracted.status, 0) << extracted.err;
        EXPECT_EQ(filesUnder(dir.path() / ("out-" + kind)), asExtracted(files));
        EXPECT_EQ(readAll(dir.path() / archive).find("SCRIPT.TXT"), std::string::npos);
        EXPECT_EQ(runTool({"list", archive}, dir.path()).out.find("SCRIPT.TXT"), std::string::npos);
    }
}

TEST(ArchiveToolTest, RawStoresGameFilesAsTheyAre) {
    ScratchDir dir;
    std::string music(5000, 'm');
    std::vector<uint8_t> packed;
    std::string error;
    ASSERT_TRUE(
        packVBZ({reinterpret_cast<const uint8_t*>(music.data()), music.size()}, packed, error));
    std::string packed_bytes(packed.begin(), packed.end());
    dir.write("game/music.vbz", packed_bytes);
    dir.write("game/a.txt", "plain");
    ToolRun created = runTool({"create", "sar", "r.sar", "game", "--raw"}, dir.path());
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_NE(readAll(dir.path() / "r.sar").find(packed_bytes), std::string::npos);
    ASSERT_EQ(runTool({"extract", "r.sar", "-o", "out"}, dir.path()).status, 0);
    EXPECT_EQ(readAll(dir.path() / "out/MUSIC.VBZ"), music);
    EXPECT_EQ(readAll(dir.path() / "out/A.TXT"), "plain");

    // Under a key, a loose VBZ file's length prefix is keyed and a loose
    // plain file is not; in the archive both read back the same.
    writeKeyFile(dir);
    for (int i = 0; i < 4; ++i) packed_bytes[i] = keyed(static_cast<uint8_t>(packed_bytes[i]));
    dir.write("game/music.vbz", packed_bytes);
    created =
        runTool({"create", "sar", "k.sar", "game", "--raw", "--key-exe", "game.exe"}, dir.path());
    ASSERT_EQ(created.status, 0) << created.err;
    ASSERT_EQ(
        runTool({"extract", "k.sar", "-o", "keyed", "--key-exe", "game.exe"}, dir.path()).status,
        0);
    EXPECT_EQ(readAll(dir.path() / "keyed/MUSIC.VBZ"), music);
    EXPECT_EQ(readAll(dir.path() / "keyed/A.TXT"), "plain");
}

TEST(ArchiveToolTest, ExtractsOneEntryByAnyOfItsNames) {
    ScratchDir dir;
    Files files = sampleFiles();
    writeFiles(dir, "game", files);
    ASSERT_EQ(runTool({"create", "vl2", "a.vl2", "game"}, dir.path()).status, 0);
    ToolRun one = runTool({"extract", "a.vl2", "img/sub/deep.bin", "-o", "one"}, dir.path());
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(filesUnder(dir.path() / "one"),
              (Files{{"IMG/SUB/DEEP.BIN", files["Img/Sub/Deep.BIN"]}}));
    ToolRun missing = runTool({"extract", "a.vl2", "nothing.txt"}, dir.path());
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("nothing.txt"), std::string::npos);
}

TEST(ArchiveToolTest, SkippedLeadingBytesMustBeNamed) {
    ScratchDir dir;
    writeFiles(dir, "game", {{"a.txt", "alpha"}, {"b.txt", "beta"}});
    ASSERT_EQ(runTool({"create", "vla", "s.vla", "game", "--skip", "2"}, dir.path()).status, 0);
    EXPECT_EQ(readAll(dir.path() / "s.vla").substr(0, 4), std::string("\0\0\0\x02", 4));
    auto skipped = parseList(runTool({"list", "s.vla", "--skip", "2"}, dir.path()).out);
    EXPECT_EQ(skipped.size(), 2u);
    EXPECT_EQ(skipped["B.TXT"].decoded, "4");
    EXPECT_EQ(parseList(runTool({"list", "s.vla"}, dir.path()).out).count("A.TXT"), 0u);
}

TEST(ArchiveToolTest, ShiftJisNamesKeepTheirSecondBytes) {
    ScratchDir dir;
    // 0x95 0x5C is one character whose second byte is a backslash.
    std::string name = "\x95\x5C/\x83\x5C.txt";
    dir.write("game/" + name, "kanji");
    ASSERT_EQ(runTool({"create", "sar", "j.sar", "game"}, dir.path()).status, 0);
    auto entries = parseList(runTool({"list", "j.sar"}, dir.path()).out);
    EXPECT_EQ(entries.count("\x95\x5C\\\x83\x5C.TXT"), 1u);
    ASSERT_EQ(runTool({"extract", "j.sar", "-o", "out"}, dir.path()).status, 0);
    EXPECT_EQ(readAll(dir.path() / "out" / "\x95\x5C" / "\x83\x5C.TXT"), "kanji");
}

TEST(ArchiveToolTest, ExtractionStaysInsideTheTargetDirectory) {
    ScratchDir dir;
    ArchiveWriter writer(ArchiveKind::Sar);
    std::string error;
    ASSERT_TRUE(
        writer.begin((dir.path() / "evil.sar").string(), {"..\\escape.txt", "ok.txt"}, error));
    for (std::string data : {"bad", "good"}) {
        EntryData entry;
        entry.bytes = {reinterpret_cast<const uint8_t*>(data.data()), data.size()};
        ASSERT_TRUE(writer.add(entry, error));
    }
    ASSERT_TRUE(writer.finish(error));
    fs::create_directory(dir.path() / "out");
    ToolRun run = runTool({"extract", "evil.sar", "-o", "out"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("ESCAPE.TXT"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.path() / "ESCAPE.TXT"));
    EXPECT_EQ(readAll(dir.path() / "out/OK.TXT"), "good");
}

TEST(ArchiveToolTest, ReportsErrorsWithStatus) {
    ScratchDir dir;
    dir.write("game/bad.spb", "not a bitmap");
    EXPECT_EQ(runTool({}, dir.path()).status, 2);
    EXPECT_EQ(runTool({"pack", "x.sar"}, dir.path()).status, 2);
    EXPECT_EQ(runTool({"list", "x.sar", "--bogus"}, dir.path()).status, 2);
    EXPECT_EQ(runTool({"list", "x.zip"}, dir.path()).status, 2);
    EXPECT_EQ(runTool({"create", "sar", "x.sar", "game", "--pack", "lzss"}, dir.path()).status, 2);
    EXPECT_EQ(runTool({"create", "sar", "x.sar", "game", "--skip", "1"}, dir.path()).status, 2);

    ToolRun missing = runTool({"list", "absent.sar"}, dir.path());
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("absent.sar"), std::string::npos);
    EXPECT_EQ(runTool({"create", "sar", "x.sar", "no-such-dir"}, dir.path()).status, 1);

    ToolRun unpackable = runTool({"create", "sar", "x.sar", "game"}, dir.path());
    EXPECT_EQ(unpackable.status, 1);
    EXPECT_NE(unpackable.err.find("bad.spb"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.path() / "x.sar"));
}

} // namespace
} // namespace velmora
