// Archive index speed: opening a SAR archive of 20,000 entries (target: under
// 20 ms) and looking names up in it (target: at least a million a second).
// The archive is generated once into a temporary directory. Look-ups are
// measured for names found in the archive and for names found nowhere, in
// mixed case with '/' separators, as scripts write them: through the index
// alone, and through fileLength, which asks the loose files first.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/SarReader.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t ENTRY_COUNT = 20000;

std::string entryName(int32_t i) {
    return "IMAGE\\CHAPTER" + std::to_string(i % 12) + "\\PICTURE" + std::to_string(i) + ".BMP";
}

// The name as a script would write it.
std::string scriptName(int32_t i) {
    return "image/Chapter" + std::to_string(i % 12) + "/picture" + std::to_string(i) + ".bmp";
}

void putBig(std::string& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>(value >> (8 * i)));
}

// A SAR archive: count, data start, then name, offset and length per entry,
// each entry holding 16 bytes.
std::string buildArchive() {
    std::string index;
    for (int32_t i = 0; i < ENTRY_COUNT; ++i) {
        index += entryName(i) + '\0';
        putBig(index, static_cast<uint32_t>(i * 16), 4);
        putBig(index, 16, 4);
    }
    std::string archive;
    putBig(archive, ENTRY_COUNT, 2);
    putBig(archive, static_cast<uint32_t>(6 + index.size()), 4);
    return archive + index + std::string(static_cast<size_t>(ENTRY_COUNT) * 16, 'd');
}

const std::string& gameDirectory() {
    static const std::string dir = [] {
        fs::path path = fs::temp_directory_path() / "velmora-archive-bench";
        fs::create_directories(path);
        std::ofstream(path / "arc.sar", std::ios::binary) << buildArchive();
        return path.string() + "/";
    }();
    return dir;
}

void BM_OpenIndex(benchmark::State& state) {
    const std::string& dir = gameDirectory();
    for (auto _ : state) {
        velmora::SarReader reader(dir);
        if (reader.openArchive("arc.sar") != 0 || reader.entryCount() != ENTRY_COUNT)
            state.SkipWithError("the archive did not open whole");
        benchmark::DoNotOptimize(reader);
    }
    state.counters["entries_per_second"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * ENTRY_COUNT, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_OpenIndex)->Unit(benchmark::kMillisecond);

// Reaches the index of the first archive directly, to time the index alone.
class IndexProbe : public velmora::SarReader {
  public:
    using SarReader::SarReader;
    int32_t findInIndex(const std::string& name) const {
        return archives.front().find(entryName(name));
    }
};

// `full`: the whole fileLength, loose files first; otherwise the name's
// normalisation and the index look-up only.
void lookUp(benchmark::State& state, bool present, bool full) {
    IndexProbe reader(gameDirectory());
    if (reader.openArchive("arc.sar") != 0) {
        state.SkipWithError("the archive did not open");
        return;
    }
    std::vector<std::string> names;
    for (int32_t i = 0; i < ENTRY_COUNT; ++i)
        names.push_back(present ? scriptName(i) : scriptName(i) + "x");
    size_t next = 0;
    for (auto _ : state) {
        const std::string& name = names[next];
        benchmark::DoNotOptimize(full ? reader.fileLength(name) : reader.findInIndex(name));
        next = next + 1 == names.size() ? 0 : next + 1;
    }
    state.counters["lookups_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_IndexLookUpFound(benchmark::State& state) {
    lookUp(state, true, false);
}
BENCHMARK(BM_IndexLookUpFound);

void BM_IndexLookUpMissing(benchmark::State& state) {
    lookUp(state, false, false);
}
BENCHMARK(BM_IndexLookUpMissing);

void BM_FileLengthFound(benchmark::State& state) {
    lookUp(state, true, true);
}
BENCHMARK(BM_FileLengthFound);

void BM_FileLengthMissing(benchmark::State& state) {
    lookUp(state, false, true);
}
BENCHMARK(BM_FileLengthMissing);

} // namespace
