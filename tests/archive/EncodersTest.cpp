// The encoders give back their input through the engine's own decoders.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "archive/DirectReader.h"
#include "archive/Encoders.h"

namespace velmora {
namespace {

using Bytes = std::vector<uint8_t>;
using test::ScratchDir;

// Gives the tests the LZSS decoder, which only archive readers call.
class LzssProbe : public DirectReader {
  public:
    Bytes decode(const Bytes& packed, size_t unpacked_length) {
        FILE* file = std::tmpfile();
        std::fwrite(packed.data(), 1, packed.size(), file);
        Bytes out(unpacked_length + 16, 0xEE);
        int32_t n =
            unpackLZSS(file, 0, static_cast<int32_t>(unpacked_length), out.data(), out.size());
        std::fclose(file);
        out.resize(static_cast<size_t>(std::max(n, 0)));
        return out;
    }
};

Bytes randomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out) b = static_cast<uint8_t>(rng());
    return out;
}

Bytes textBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::string asString(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// Reads a loose file through the engine's direct reader, decoded by its extension.
Bytes readLoose(const ScratchDir& dir, const std::string& name, const Bytes& stored) {
    dir.write(name, asString(stored));
    DirectReader reader(dir.path().string() + "/");
    int32_t length = reader.fileLength(name);
    Bytes out(static_cast<size_t>(std::max(length, 0)));
    int32_t n = reader.readFile(name, out.data(), out.size());
    out.resize(static_cast<size_t>(std::max(n, 0)));
    return out;
}

// Walks an LZSS stream as the decoder does and reports whether any match
// copies a window byte that neither the zeroed start (0-238) nor the output
// has set.
bool copiesUnsetWindowBytes(const Bytes& packed, size_t unpacked_length) {
    size_t bit = 0;
    auto take = [&](int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i, ++bit) v = v * 2 + ((packed[bit / 8] >> (7 - bit % 8)) & 1);
        return v;
    };
    std::vector<bool> set(256, false);
    for (int p = 0; p < 239; ++p) set[p] = true;
    size_t r = 239;
    size_t count = 0;
    while (count < unpacked_length) {
        size_t n = 1;
        if (take(1) != 0) {
            take(8);
        } else {
            uint32_t p = take(8);
            n = take(4) + 2;
            for (size_t j = 0; j < n; ++j) {
                if (!set[(p + j) % 256]) return true;
                set[(r + j) % 256] = true;
            }
        }
        for (size_t j = 0; j < n; ++j) set[(r + j) % 256] = true;
        r = (r + n) % 256;
        count += n;
    }
    return false;
}

TEST(LzssEncoderTest, RoundTripsThroughTheDecoder) {
    LzssProbe probe;
    std::vector<Bytes> inputs = {
        textBytes("a"),
        textBytes("abababababababababababababababababab"),
        textBytes("the quick brown fox jumps over the lazy dog; the quick brown fox again"),
        Bytes(1000, 0),
        Bytes(1000, 0xFF),
        randomBytes(5000, 1),
    };
    // Long-range repeats fall out of the window and must not be matched.
    Bytes far = randomBytes(300, 2);
    far.insert(far.end(), far.begin(), far.begin() + 300);
    inputs.push_back(far);
    for (const Bytes& input : inputs) {
        Bytes packed = packLZSS(input);
        EXPECT_EQ(probe.decode(packed, input.size()), input) << "input of " << input.size();
        EXPECT_FALSE(copiesUnsetWindowBytes(packed, input.size()));
    }
}

TEST(LzssEncoderTest, EmptyInputGivesEmptyStream) {
    EXPECT_TRUE(packLZSS({}).empty());
}

TEST(LzssEncoderTest, RepeatsBecomeMatches) {
    // 1000 zero bytes: matches of 17 from the zeroed window, 13 bits each.
    Bytes zeros(1000, 0);
    EXPECT_LE(packLZSS(zeros).size(), (1000 / 17 + 1) * 13 / 8 + 1);
    // A run of one byte copies itself through an overlapping match: one
    // literal, then matches.
    Bytes run(170, 'x');
    Bytes packed = packLZSS(run);
    EXPECT_LE(packed.size(), (9 + 10 * 13) / 8 + 1);
    LzssProbe probe;
    EXPECT_EQ(probe.decode(packed, run.size()), run);
}

TEST(LzssEncoderTest, IncompressibleDataCostsOneBitPerByte) {
    Bytes input = randomBytes(4096, 3);
    EXPECT_LE(packLZSS(input).size(), 4096 * 9 / 8);
}

TEST(VbzEncoderTest, RoundTripsThroughALooseFile) {
    ScratchDir dir;
    Bytes input = randomBytes(20000, 4);
    input.insert(input.end(), 30000, 'q');
    Bytes packed;
    std::string error;
    ASSERT_TRUE(packVBZ(input, packed, error)) << error;
    // The length prefix is big-endian.
    EXPECT_EQ(packed[0], 0);
    EXPECT_EQ(packed[1], 0);
    EXPECT_EQ(packed[2], 50000 >> 8);
    EXPECT_EQ(packed[3], 50000 & 0xFF);
    EXPECT_LT(packed.size(), 25000u);
    EXPECT_EQ(readLoose(dir, "music.vbz", packed), input);
}

TEST(VbzEncoderTest, EmptyInputHasAZeroPrefixAndAStream) {
    Bytes packed;
    std::string error;
    ASSERT_TRUE(packVBZ({}, packed, error)) << error;
    ASSERT_GT(packed.size(), 4u);
    EXPECT_EQ(asString(Bytes(packed.begin(), packed.begin() + 4)), std::string(4, '\0'));
    EXPECT_EQ(asString(Bytes(packed.begin() + 4, packed.begin() + 7)), "BZh");
}

// A bitmap in the form the SPB decoder writes, with pixel(x, y, channel)
// giving each byte; y = 0 is the top row.
template <typename Pixel> Bytes makeBitmap(uint32_t w, uint32_t h, Pixel pixel) {
    uint32_t stride = 3 * w + w % 4;
    uint32_t total = stride * h + 54;
    Bytes bmp(total, 0);
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bmp[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put(2, total, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, w, 4);
    put(22, h, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, total - 54, 4);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            for (int c = 0; c < 3; ++c) {
                bmp[54 + (h - 1 - y) * stride + 3 * x + c] = pixel(x, y, c);
            }
        }
    }
    return bmp;
}

Bytes packedSpb(const Bytes& bitmap) {
    Bytes packed;
    std::string error;
    EXPECT_TRUE(packSPB(bitmap, packed, error)) << error;
    return packed;
}

TEST(SpbEncoderTest, RoundTripsPicturesOfEveryCode) {
    ScratchDir dir;
    std::mt19937 rng(5);
    std::vector<Bytes> pictures = {
        makeBitmap(1, 1, [](uint32_t, uint32_t, int c) { return uint8_t(40 * c + 7); }),
        // Flat: runs of four.
        makeBitmap(16, 9, [](uint32_t, uint32_t, int c) { return uint8_t(c == 1 ? 200 : 3); }),
        // Steps of +1 and 0 (1-bit deltas), of -1..+2 (2-bit deltas), wider ones.
        makeBitmap(5, 7, [](uint32_t x, uint32_t y, int) { return uint8_t((x + y) / 2); }),
        makeBitmap(6, 3, [](uint32_t x, uint32_t, int c) { return uint8_t(x % 3 + c); }),
        makeBitmap(7, 5, [](uint32_t x, uint32_t y, int) { return uint8_t(x * 9 + y * 20); }),
        // Jumps of 128 (no delta code) and noise: raw bytes.
        makeBitmap(3, 4, [](uint32_t x, uint32_t, int) { return uint8_t(x % 2 * 128); }),
        makeBitmap(33, 17, [&](uint32_t, uint32_t, int) { return uint8_t(rng()); }),
        // Rows that differ left to right catch a scan that ignores the serpentine order.
        makeBitmap(4, 4, [](uint32_t x, uint32_t y, int c) { return uint8_t(x * 60 + y + c); }),
    };
    for (const Bytes& bmp : pictures) {
        Bytes decoded = readLoose(dir, "pic.spb", packedSpb(bmp));
        EXPECT_EQ(decoded, bmp) << "picture of " << bmp.size() << " bytes";
    }
}

TEST(SpbEncoderTest, FlatPicturesShrinkToRuns) {
    Bytes bmp = makeBitmap(100, 100, [](uint32_t, uint32_t, int) { return uint8_t(9); });
    Bytes packed = packedSpb(bmp);
    // Header, then per plane 8 bits and one 3-bit run code per 4 pixels.
    EXPECT_EQ(packed.size(), 4 + (3 * (8 + 2500 * 3) + 7) / 8);
    EXPECT_EQ(packed[0], 0);
    EXPECT_EQ(packed[1], 100);
    EXPECT_EQ(packed[2], 0);
    EXPECT_EQ(packed[3], 100);
}

TEST(SpbEncoderTest, RefusesBitmapsTheDecoderCannotReproduce) {
    auto grey = [](uint32_t x, uint32_t, int) { return uint8_t(x); };
    Bytes packed;
    std::string error;
    Bytes padded = makeBitmap(5, 2, grey);
    padded[54 + 15] = 1; // a padding byte that is not 0
    EXPECT_FALSE(packSPB(padded, packed, error));
    EXPECT_FALSE(error.empty());

    Bytes deep = makeBitmap(4, 2, grey);
    deep[28] = 32; // 32 bits per pixel
    EXPECT_FALSE(packSPB(deep, packed, error));

    Bytes cut = makeBitmap(4, 2, grey);
    cut.pop_back();
    EXPECT_FALSE(packSPB(cut, packed, error));

    EXPECT_FALSE(packSPB(textBytes("BM"), packed, error));
}

} // namespace
} // namespace velmora
