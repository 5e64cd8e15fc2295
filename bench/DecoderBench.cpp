// Decoding throughput of compressed entries, in bytes of output per second:
// LZSS over 4 MB of script-like text, SPB over a 1280x960 picture with smooth
// areas, edges and noise, and VBZ over 4 MB of text. The same VBZ payload is
// also decoded by libbz2's buffer interface in the same run; the VBZ
// benchmark reports `vs_bzlib`, its best time over the best time of that.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <bzlib.h>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "archive/DirectReader.h"
#include "archive/Encoders.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr int BASELINE_PASSES = 5;

Bytes scriptText(size_t size) {
    static const char* const WORDS[] = {"mov ",    "%10,",   "bg ",    "\"image\\bg01.png\",",
                                        "10\n",    "wait ",  "500\n",  "\x82\xa0\x82\xa2\x82\xa4",
                                        "@\n",     "gosub ", "*scene", "if ",
                                        "%3 > 5 ", "goto "};
    std::mt19937 random(7);
    Bytes out;
    while (out.size() < size) {
        const char* word = WORDS[random() % std::size(WORDS)];
        out.insert(out.end(), word, word + std::char_traits<char>::length(word));
        if (random() % 5 == 0) out.push_back(static_cast<uint8_t>('0' + random() % 10));
    }
    out.resize(size);
    return out;
}

// A 24-bit bitmap file in the layout the SPB decoder produces.
Bytes pictureBitmap(int width, int height) {
    size_t stride = 3 * width + width % 4;
    Bytes out(stride * height + 54, 0);
    auto put = [&](size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put(2, static_cast<uint32_t>(out.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, width, 4);
    put(22, height, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, static_cast<uint32_t>(out.size() - 54), 4);
    std::mt19937 random(11);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* pixel = &out[54 + y * stride + 3 * x];
            bool textured = (x / 160 + y / 120) % 3 == 0;
            for (int c = 0; c < 3; ++c) {
                int v = (x * (c + 1) / 5 + y / (c + 2)) % 256;
                if (textured) v += static_cast<int>(random() % 9) - 4;
                pixel[c] = static_cast<uint8_t>(v);
            }
        }
    return out;
}

class DecoderRunner : public velmora::DirectReader {
  public:
    using DirectReader::unpackLZSS;
    using DirectReader::unpackSPB;
    using DirectReader::unpackVBZ;
};

// One packed entry in a temporary file, with what it decodes to.
struct Sample {
    Bytes decoded;
    Bytes packed;
    FILE* file = nullptr;

    Sample(Bytes plain, Bytes stored) : decoded(std::move(plain)), packed(std::move(stored)) {
        file = std::tmpfile();
        if (file != nullptr) std::fwrite(packed.data(), 1, packed.size(), file);
    }
    ~Sample() {
        if (file != nullptr) std::fclose(file);
    }
    Sample(const Sample&) = delete;
    Sample& operator=(const Sample&) = delete;
};

const Sample& lzssSample() {
    static const Sample sample = [] {
        Bytes text = scriptText(4u << 20);
        Bytes packed = velmora::packLZSS(text);
        return Sample(std::move(text), std::move(packed));
    }();
    return sample;
}

const Sample& spbSample() {
    static const Sample sample = [] {
        Bytes bitmap = pictureBitmap(1280, 960);
        Bytes packed;
        std::string error;
        if (!velmora::packSPB(bitmap, packed, error)) packed.clear();
        return Sample(std::move(bitmap), std::move(packed));
    }();
    return sample;
}

const Sample& vbzSample() {
    static const Sample sample = [] {
        Bytes text = scriptText(4u << 20);
        Bytes packed;
        std::string error;
        if (!velmora::packVBZ(text, packed, error)) packed.clear();
        return Sample(std::move(text), std::move(packed));
    }();
    return sample;
}

// Decodes with `decode` each iteration, checks the result once, and returns
// the best time of an iteration in seconds.
template <typename Decode>
double runDecoder(benchmark::State& state, const Sample& sample, Decode decode) {
    if (sample.file == nullptr || sample.packed.empty()) {
        state.SkipWithError("the sample could not be built");
        return 0;
    }
    Bytes out(sample.decoded.size());
    double best = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        int32_t n = decode(out);
        benchmark::DoNotOptimize(out.data());
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        best = best == 0 ? seconds : std::min(best, seconds);
        if (n != static_cast<int32_t>(out.size())) state.SkipWithError("short decode");
    }
    if (out != sample.decoded) state.SkipWithError("decoded bytes differ");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(out.size()));
    return best;
}

// libbz2 decoding the VBZ payload (after its 4-byte prefix) from memory.
double bufferDecompress(const Sample& sample, Bytes& out) {
    auto start = Clock::now();
    auto size = static_cast<unsigned>(out.size());
    // The source is only read, though the interface takes it as mutable.
    auto* input = reinterpret_cast<char*>(const_cast<uint8_t*>(sample.packed.data())) + 4;
    BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(out.data()), &size, input,
                               static_cast<unsigned>(sample.packed.size() - 4), 0, 0);
    benchmark::DoNotOptimize(out.data());
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_DecodeLZSS(benchmark::State& state) {
    DecoderRunner reader;
    const Sample& sample = lzssSample();
    runDecoder(state, sample, [&](Bytes& out) {
        return reader.unpackLZSS(sample.file, 0, static_cast<int32_t>(out.size()), out.data(),
                                 out.size());
    });
}

void BM_DecodeSPB(benchmark::State& state) {
    DecoderRunner reader;
    const Sample& sample = spbSample();
    runDecoder(state, sample, [&](Bytes& out) {
        return reader.unpackSPB(sample.file, 0, out.data(), out.size());
    });
}

void BM_DecodeVBZ(benchmark::State& state) {
    DecoderRunner reader;
    const Sample& sample = vbzSample();
    double best = runDecoder(state, sample, [&](Bytes& out) {
        return reader.unpackVBZ(sample.file, 0, out.data(), out.size());
    });
    Bytes out(sample.decoded.size());
    double baseline = bufferDecompress(sample, out);
    for (int i = 1; i < BASELINE_PASSES; ++i)
        baseline = std::min(baseline, bufferDecompress(sample, out));
    if (best > 0 && baseline > 0) state.counters["vs_bzlib"] = best / baseline;
}

void BM_BzlibBufferDecompress(benchmark::State& state) {
    const Sample& sample = vbzSample();
    Bytes out(sample.decoded.size());
    for (auto _ : state) bufferDecompress(sample, out);
    if (out != sample.decoded) state.SkipWithError("decoded bytes differ");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(out.size()));
}

} // namespace

BENCHMARK(BM_DecodeLZSS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeSPB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeVBZ)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BzlibBufferDecompress)->Unit(benchmark::kMillisecond);
