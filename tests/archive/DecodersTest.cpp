// The decoders of compressed entries, checked against small encoders of this
// file that record which codes they used, and against the bit reader.
#include "archive/DirectReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bzlib.h>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace velmora {
namespace {

using Bytes = std::vector<uint8_t>;
using KeyTable = std::array<uint8_t, 256>;

class DecoderProbe : public DirectReader {
  public:
    using DirectReader::decodedLength;
    using DirectReader::DirectReader;
    using DirectReader::readEntryData;
    using DirectReader::unpackLZSS;
    using DirectReader::unpackSPB;
    using DirectReader::unpackVBZ;
};

// An unnamed temporary file holding `bytes`.
class TempFile {
  public:
    explicit TempFile(const Bytes& bytes) : file(std::tmpfile()) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::rewind(file);
    }
    ~TempFile() { std::fclose(file); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    FILE* get() const { return file; }

  private:
    FILE* file;
};

// A bijection on bytes, and the stored form that it maps back to `plain`.
KeyTable testKey() {
    KeyTable key{};
    for (int i = 0; i < 256; ++i) key[i] = static_cast<uint8_t>(i * 7 + 3);
    return key;
}

Bytes throughInverse(const KeyTable& key, const Bytes& plain) {
    KeyTable inverse{};
    for (int i = 0; i < 256; ++i) inverse[key[i]] = static_cast<uint8_t>(i);
    Bytes stored;
    for (uint8_t b : plain) stored.push_back(inverse[b]);
    return stored;
}

Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class BitSink {
  public:
    void put(uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            if (bits % 8 == 0) bytes.push_back(0);
            if (value >> i & 1) bytes.back() |= static_cast<uint8_t>(0x80 >> bits % 8);
            ++bits;
        }
    }
    Bytes bytes;
    size_t bits = 0;
};

// ---- Bit reader ----

TEST(BitReaderTest, ReadsMostSignificantFirstAcrossBytesThroughTheKey) {
    KeyTable identity{};
    for (int i = 0; i < 256; ++i) identity[i] = static_cast<uint8_t>(i);
    TempFile file({0xA5, 0x3C});
    BitReader bits;
    bits.start(file.get(), identity);
    EXPECT_EQ(bits.readBits(0), 0);
    EXPECT_EQ(bits.readBits(1), 1);
    EXPECT_EQ(bits.readBits(3), 0b010);
    EXPECT_EQ(bits.readBits(0), 0); // consumes nothing
    EXPECT_EQ(bits.readBits(8), 0b01010011);
    EXPECT_EQ(bits.readBits(4), 0b1100);
    EXPECT_EQ(bits.readBits(1), -1);
    EXPECT_EQ(bits.readBits(8), -1);

    KeyTable key = testKey();
    TempFile keyed(throughInverse(key, {0xA5}));
    bits.start(keyed.get(), key);
    EXPECT_EQ(bits.readBits(8), 0xA5);
}

TEST(BitReaderTest, RefillsBeyondOneBlockAndRestartsCleanly) {
    KeyTable identity{};
    for (int i = 0; i < 256; ++i) identity[i] = static_cast<uint8_t>(i);
    Bytes data(5000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31);
    TempFile file(data);
    BitReader bits;
    bits.start(file.get(), identity);
    EXPECT_EQ(bits.readBits(4), data[0] >> 4);
    // Restarting drops the half-read byte and the buffered block.
    std::fseek(file.get(), 4095, SEEK_SET);
    bits.start(file.get(), identity);
    for (size_t i = 4095; i < data.size(); ++i) ASSERT_EQ(bits.readBits(8), data[i]) << i;
    EXPECT_EQ(bits.readBits(1), -1);
}

// ---- SPB ----

struct Picture {
    int width;
    int height;
    std::vector<std::array<uint8_t, 3>> pixels; // rows from the top; blue, green, red
};

struct SpbCodesUsed {
    int runs = 0, one_bit = 0, two_bit = 0, wider = 0, raw = 0;
};

// Plane values of channel c in coding order: rows from the top, even rows
// left to right, odd rows right to left.
std::vector<uint8_t> serpentine(const Picture& p, int c) {
    std::vector<uint8_t> plane;
    for (int y = 0; y < p.height; ++y)
        for (int i = 0; i < p.width; ++i) {
            int x = y % 2 == 0 ? i : p.width - 1 - i;
            plane.push_back(p.pixels[y * p.width + x][c]);
        }
    return plane;
}

// Codes each group of four with the narrowest delta width that fits it.
Bytes encodeSpb(const Picture& p, SpbCodesUsed& used) {
    BitSink sink;
    sink.put(p.width, 16);
    sink.put(p.height, 16);
    for (int c = 0; c < 3; ++c) {
        std::vector<uint8_t> plane = serpentine(p, c);
        if (plane.empty()) {
            sink.put(0, 8);
            continue;
        }
        uint8_t v = plane[0];
        sink.put(v, 8);
        for (size_t i = 1; i < plane.size(); i += 4) {
            std::array<uint8_t, 4> group{};
            for (size_t j = 0; j < 4; ++j) group[j] = plane[std::min(i + j, plane.size() - 1)];
            if (std::all_of(group.begin(), group.end(), [&](uint8_t g) { return g == v; })) {
                sink.put(0, 3);
                ++used.runs;
                continue;
            }
            std::array<uint32_t, 4> codes{};
            uint32_t widest = 0;
            uint8_t previous = v;
            for (size_t j = 0; j < 4; ++j) {
                int delta = static_cast<int8_t>(static_cast<uint8_t>(group[j] - previous));
                codes[j] = delta > 0 ? 2 * delta - 1 : -2 * delta;
                widest = std::max(widest, codes[j]);
                previous = group[j];
            }
            int m = 1;
            while (m < 8 && widest >= (1u << m)) ++m;
            if (m == 1 || m == 2) {
                sink.put(7, 3);
                sink.put(m - 1, 1);
                ++(m == 1 ? used.one_bit : used.two_bit);
            } else {
                sink.put(m == 8 ? 6 : m - 2, 3);
                ++(m == 8 ? used.raw : used.wider);
            }
            for (size_t j = 0; j < 4; ++j) sink.put(m == 8 ? group[j] : codes[j], m);
            v = group[3];
        }
    }
    return sink.bytes;
}

void putLe(Bytes& out, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// The 24-bit bitmap file of a picture: rows from the bottom, each padded with
// (width mod 4) zero bytes.
Bytes bitmapOf(const Picture& p) {
    size_t stride = 3 * p.width + p.width % 4;
    size_t total = stride * p.height + 54;
    Bytes out(total, 0);
    out[0] = 'B';
    out[1] = 'M';
    putLe(out, 2, static_cast<uint32_t>(total), 4);
    putLe(out, 10, 54, 4);
    putLe(out, 14, 40, 4);
    putLe(out, 18, p.width, 4);
    putLe(out, 22, p.height, 4);
    putLe(out, 26, 1, 2);
    putLe(out, 28, 24, 2);
    putLe(out, 34, static_cast<uint32_t>(total - 54), 4);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            for (int c = 0; c < 3; ++c)
                out[54 + (p.height - 1 - y) * stride + 3 * x + c] = p.pixels[y * p.width + x][c];
    return out;
}

// A picture whose coding order passes through flat stretches, steps of 0/+1,
// steps of -1..+2, steps of up to +-30 and arbitrary jumps, in turn.
Picture mixedPicture(int width, int height, uint32_t seed) {
    std::mt19937 random(seed);
    Picture p{width, height, std::vector<std::array<uint8_t, 3>>(width * height)};
    for (int c = 0; c < 3; ++c) {
        std::vector<uint8_t> plane(width * height);
        uint8_t v = static_cast<uint8_t>(random());
        for (size_t i = 0; i < plane.size(); ++i) {
            switch ((i / 8 + c) % 5) {
            case 0: break;
            case 1: v = static_cast<uint8_t>(v + random() % 2); break;
            case 2: v = static_cast<uint8_t>(v + static_cast<int>(random() % 4) - 1); break;
            case 3: v = static_cast<uint8_t>(v + static_cast<int>(random() % 61) - 30); break;
            default: v = static_cast<uint8_t>(random()); break;
            }
            plane[i] = v;
        }
        for (int y = 0, i = 0; y < height; ++y)
            for (int k = 0; k < width; ++k, ++i) {
                int x = y % 2 == 0 ? k : width - 1 - k;
                p.pixels[y * width + x][c] = plane[i];
            }
    }
    return p;
}

Bytes decodeSpb(DecoderProbe& reader, const Bytes& stored, size_t offset, size_t capacity) {
    TempFile file(stored);
    Bytes out(capacity, 0xCD); // padding must be written, not inherited
    int32_t n = reader.unpackSPB(file.get(), static_cast<int64_t>(offset), out.data(), capacity);
    out.resize(static_cast<size_t>(std::max(n, 0)));
    return out;
}

TEST(SpbTest, DecodesEveryCodePathAndRowLayout) {
    DecoderProbe reader;
    SpbCodesUsed all;
    // Widths with each padding (0 to 3 bytes) and odd heights for serpentine rows.
    for (auto [w, h] : {std::pair{4, 3}, {5, 3}, {6, 5}, {7, 5}, {2, 9}, {33, 17}, {1, 1}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        Picture picture = mixedPicture(w, h, static_cast<uint32_t>(w * 100 + h));
        Bytes junk = {0xEE, 0xEE, 0xEE};
        Bytes stored = concat(junk, encodeSpb(picture, all));
        Bytes expected = bitmapOf(picture);
        EXPECT_EQ(expected.size(), static_cast<size_t>((3 * w + w % 4) * h + 54));
        TempFile file(stored);
        EXPECT_EQ(reader.decodedLength(CompressionType::SPB, file.get(), 3),
                  static_cast<int32_t>(expected.size()));
        EXPECT_EQ(decodeSpb(reader, stored, 3, expected.size() + 16), expected);
    }
    EXPECT_GT(all.runs, 0);
    EXPECT_GT(all.one_bit, 0);
    EXPECT_GT(all.two_bit, 0);
    EXPECT_GT(all.wider, 0);
    EXPECT_GT(all.raw, 0);
}

TEST(SpbTest, HandCodedGroupsGiveTheirDeltas) {
    // A 9x1 plane: start 10; code 7+0 (1-bit deltas 1,0,1,1); code 7+1
    // (2-bit deltas 3=+2, 2=-1, 0, 1=+1); the same for green and red.
    BitSink sink;
    sink.put(9, 16);
    sink.put(1, 16);
    for (int c = 0; c < 3; ++c) {
        sink.put(10, 8);
        sink.put(7, 3), sink.put(0, 1);
        for (uint32_t k : {1, 0, 1, 1}) sink.put(k, 1);
        sink.put(7, 3), sink.put(1, 1);
        for (uint32_t k : {3, 2, 0, 1}) sink.put(k, 2);
    }
    DecoderProbe reader;
    Bytes out = decodeSpb(reader, sink.bytes, 0, 200);
    ASSERT_EQ(out.size(), 27u + 1 + 54);
    const uint8_t expected[9] = {10, 11, 11, 12, 13, 15, 14, 14, 15};
    for (int x = 0; x < 9; ++x)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(out[54 + 3 * x + c], expected[x]) << x;
    EXPECT_EQ(out[54 + 27], 0); // row padding
}

TEST(SpbTest, OnePixelReadsOnlyEightBitsPerChannel) {
    DecoderProbe reader;
    Bytes out = decodeSpb(reader, {0, 1, 0, 1, 0x11, 0x22, 0x33}, 0, 100);
    ASSERT_EQ(out.size(), 3u + 1 + 54);
    EXPECT_EQ(out[54], 0x11);
    EXPECT_EQ(out[55], 0x22);
    EXPECT_EQ(out[56], 0x33);
}

TEST(SpbTest, KeyTableAppliesToHeaderAndBits) {
    KeyTable key = testKey();
    DecoderProbe reader("", &key);
    SpbCodesUsed used;
    Picture picture = mixedPicture(7, 4, 3);
    Bytes stored = throughInverse(key, encodeSpb(picture, used));
    EXPECT_EQ(decodeSpb(reader, stored, 0, 4096), bitmapOf(picture));
}

TEST(SpbTest, NeverWritesPastCapacityAndSurvivesTruncation) {
    DecoderProbe reader;
    SpbCodesUsed used;
    Picture picture = mixedPicture(5, 6, 9);
    Bytes stored = encodeSpb(picture, used);
    Bytes expected = bitmapOf(picture);
    for (size_t capacity : {size_t{0}, size_t{20}, size_t{54}, size_t{60}, expected.size() - 1}) {
        TempFile file(stored);
        Bytes out(expected.size() + 8, 0xCD);
        int32_t n = reader.unpackSPB(file.get(), 0, out.data(), capacity);
        ASSERT_EQ(n, static_cast<int32_t>(capacity));
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + n, expected.begin())) << capacity;
        EXPECT_TRUE(std::all_of(out.begin() + n, out.end(), [](uint8_t b) { return b == 0xCD; }));
    }
    // Data cut short still yields a whole bitmap, with the header intact.
    Bytes cut(stored.begin(), stored.begin() + 10);
    Bytes out = decodeSpb(reader, cut, 0, expected.size());
    ASSERT_EQ(out.size(), expected.size());
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 54, expected.begin()));
    EXPECT_EQ(decodeSpb(reader, {0, 5}, 0, 100).size(), 0u); // no full header
}

TEST(SpbTest, OversizedPicturesAreUnreadable) {
    DecoderProbe reader;
    Bytes out(64);
    // 65535 x 65535 is about 12 GiB; 65535 x 21846 wraps to 131126 in 32 bits.
    for (Bytes header : {Bytes{0xFF, 0xFF, 0xFF, 0xFF}, Bytes{0xFF, 0xFF, 0x55, 0x56}}) {
        TempFile file(concat(header, Bytes(16, 0)));
        EXPECT_EQ(reader.decodedLength(CompressionType::SPB, file.get(), 0), 0);
        EXPECT_EQ(reader.unpackSPB(file.get(), 0, out.data(), out.size()), 0);
    }
    // 9000 x 9000 (27000-byte rows) stays under the cap.
    TempFile file({0x23, 0x28, 0x23, 0x28});
    EXPECT_EQ(reader.decodedLength(CompressionType::SPB, file.get(), 0), 243000054);
}

// ---- LZSS ----

struct LzssStream {
    Bytes bytes;
    // (bits used, bytes produced) after each code.
    std::vector<std::pair<size_t, size_t>> code_ends;
    int zero_window_matches = 0;
    int overlapping_matches = 0;
};

// Greedy longest-match coder over the decoder's window (all zero, writing
// from 239).
LzssStream encodeLzss(const Bytes& data) {
    LzssStream out;
    BitSink sink;
    std::array<uint8_t, 256> window{};
    std::array<bool, 256> written{};
    uint8_t r = 239;
    size_t pos = 0;
    while (pos < data.size()) {
        size_t best = 0;
        int best_p = 0;
        for (int p = 0; p < 256; ++p) {
            size_t n = 0;
            while (n < 17 && pos + n < data.size()) {
                uint8_t source = static_cast<uint8_t>(p + n);
                size_t age = static_cast<uint8_t>(source - r); // this match wrote it at step `age`
                uint8_t c = age < n ? data[pos + age] : window[source];
                if (c != data[pos + n]) break;
                ++n;
            }
            if (n > best) best = n, best_p = p;
        }
        if (best >= 2) {
            sink.put(0, 1);
            sink.put(best_p, 8);
            sink.put(static_cast<uint32_t>(best - 2), 4);
            bool from_zero = true, overlapping = false;
            for (size_t j = 0; j < best; ++j) {
                uint8_t source = static_cast<uint8_t>(best_p + j);
                from_zero = from_zero && !written[source];
                overlapping = overlapping || static_cast<uint8_t>(source - r) < j;
            }
            out.zero_window_matches += from_zero;
            out.overlapping_matches += overlapping;
        } else {
            best = 1;
            sink.put(1, 1);
            sink.put(data[pos], 8);
        }
        for (size_t j = 0; j < best; ++j, ++r) {
            window[r] = data[pos + j];
            written[r] = true;
        }
        pos += best;
        out.code_ends.emplace_back(sink.bits, pos);
    }
    out.bytes = sink.bytes;
    return out;
}

Bytes lzssSample() {
    Bytes data(40, 0); // matches into the zeroed window
    for (const char* s :
         {"abababababababababab", "xyzxyzxyz-hello-hello-hello", "aaaaaaaaaaaaaaaa"})
        data.insert(data.end(), s, s + std::string(s).size());
    std::mt19937 random(5);
    for (int i = 0; i < 300; ++i) data.push_back(static_cast<uint8_t>(random() % 6 + 'A'));
    return data; // longer than the window, so writing wraps
}

int32_t decodeLzss(DecoderProbe& reader, const Bytes& stored, int32_t length, Bytes& out) {
    TempFile file(stored);
    return reader.unpackLZSS(file.get(), 2, length, out.data(), out.size());
}

TEST(LzssTest, RoundTripsZeroWindowMatchesAndOverlappingCopies) {
    Bytes data = lzssSample();
    LzssStream stream = encodeLzss(data);
    EXPECT_GT(stream.zero_window_matches, 0);
    EXPECT_GT(stream.overlapping_matches, 0);
    DecoderProbe reader;
    Bytes out(data.size() + 10, 0xCD);
    Bytes stored = concat({0x99, 0x99}, stream.bytes);
    ASSERT_EQ(decodeLzss(reader, stored, static_cast<int32_t>(data.size()), out),
              static_cast<int32_t>(data.size()));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin()));
    EXPECT_EQ(out[data.size()], 0xCD);

    KeyTable key = testKey();
    DecoderProbe keyed("", &key);
    Bytes keyed_out(data.size());
    Bytes keyed_stored = concat({0x99, 0x99}, throughInverse(key, stream.bytes));
    decodeLzss(keyed, keyed_stored, static_cast<int32_t>(data.size()), keyed_out);
    EXPECT_EQ(keyed_out, data);
}

TEST(LzssTest, WindowStartsAllZeroEvenAfterEarlierDecodes) {
    DecoderProbe reader;
    Bytes fill(300, 0x41);
    LzssStream first = encodeLzss(fill);
    Bytes out(300);
    decodeLzss(reader, concat({0, 0}, first.bytes), 300, out);
    // A match at 0 of length code 0, then one at 250 (never written) of length code 1.
    BitSink sink;
    sink.put(0, 1), sink.put(0, 8), sink.put(0, 4);
    sink.put(0, 1), sink.put(250, 8), sink.put(1, 4);
    Bytes second(5, 0xCD);
    EXPECT_EQ(decodeLzss(reader, concat({0, 0}, sink.bytes), 5, second), 5);
    EXPECT_EQ(second, Bytes(5, 0));
}

TEST(LzssTest, StopsAtLengthCapacityAndEndOfData) {
    Bytes data = lzssSample();
    LzssStream stream = encodeLzss(data);
    Bytes stored = concat({0, 0}, stream.bytes);
    DecoderProbe reader;
    // A declared length inside a match cuts the match.
    Bytes out(64, 0xCD);
    EXPECT_EQ(decodeLzss(reader, stored, 41, out), 41);
    EXPECT_EQ(out[41], 0xCD);
    // A caller's buffer smaller than the length is filled and no more.
    Bytes small(30);
    EXPECT_EQ(decodeLzss(reader, stored, static_cast<int32_t>(data.size()), small), 30);
    EXPECT_TRUE(std::equal(small.begin(), small.end(), data.begin()));
    EXPECT_EQ(decodeLzss(reader, stored, -5, out), 0);
    // Cut streams yield what their complete codes produced.
    for (size_t keep : {size_t{1}, size_t{7}, stream.bytes.size() / 2, stream.bytes.size() - 1}) {
        size_t expected = 0;
        for (auto [bits, produced] : stream.code_ends)
            if (bits <= keep * 8) expected = produced;
        Bytes cut(stored.begin(), stored.begin() + 2 + keep);
        Bytes partial(data.size());
        EXPECT_EQ(decodeLzss(reader, cut, static_cast<int32_t>(data.size()), partial),
                  static_cast<int32_t>(expected))
            << keep;
        EXPECT_TRUE(std::equal(data.begin(), data.begin() + expected, partial.begin()));
    }
}

// ---- VBZ ----

Bytes bzip2(const Bytes& data, int block_size = 9) {
    Bytes out(data.size() + data.size() / 100 + 700);
    auto size = static_cast<unsigned>(out.size());
    Bytes copy = data;
    int status = BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &size,
                                          reinterpret_cast<char*>(copy.data()),
                                          static_cast<unsigned>(copy.size()), block_size, 0, 0);
    EXPECT_EQ(status, BZ_OK);
    out.resize(size);
    return out;
}

Bytes bigEndian(uint32_t value) {
    return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

Bytes textSample(size_t size) {
    Bytes data;
    while (data.size() < size)
        data.push_back(static_cast<uint8_t>("velmora vbz "[data.size() % 12]));
    for (size_t i = 0; i < size; i += 37) data[i] = static_cast<uint8_t>(i);
    return data;
}

TEST(VbzTest, DecodesToTheDeclaredOrDeliveredLength) {
    DecoderProbe reader;
    Bytes data = textSample(600);
    for (uint32_t declared : {600u, 1000u, 250u}) {
        Bytes stored = concat(concat({7, 7, 7}, bigEndian(declared)), bzip2(data));
        TempFile file(stored);
        EXPECT_EQ(reader.decodedLength(CompressionType::VBZ, file.get(), 3),
                  static_cast<int32_t>(declared));
        Bytes out(1200, 0xCD);
        int32_t n = reader.unpackVBZ(file.get(), 3, out.data(), out.size());
        size_t expected = std::min<size_t>(declared, data.size());
        ASSERT_EQ(n, static_cast<int32_t>(expected)) << declared;
        EXPECT_TRUE(std::equal(data.begin(), data.begin() + n, out.begin()));
        EXPECT_EQ(out[n], 0xCD);
        // A smaller buffer gets exactly its capacity.
        Bytes small(100);
        EXPECT_EQ(reader.unpackVBZ(file.get(), 3, small.data(), small.size()), 100);
        EXPECT_TRUE(std::equal(small.begin(), small.end(), data.begin()));
    }
}

TEST(VbzTest, BrokenStreamsAndHostileLengthsGiveNothing) {
    DecoderProbe reader;
    Bytes out(5000);
    Bytes data = textSample(4000);
    Bytes stream = bzip2(data);
    Bytes damaged = stream;
    damaged[damaged.size() / 2] ^= 0x5A;
    Bytes truncated(stream.begin(), stream.begin() + stream.size() / 2);
    for (const Bytes& payload : {Bytes(64, 0x42), damaged, truncated}) {
        TempFile file(concat(bigEndian(4000), payload));
        EXPECT_EQ(reader.unpackVBZ(file.get(), 0, out.data(), out.size()), 0);
    }
    // Damage is caught in the first of several blocks, and in the closing
    // checksum of the stream, checked as its last byte is delivered.
    Bytes large = textSample(250000);
    for (size_t i = 0; i < large.size(); i += 3)
        large[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    Bytes blocks = bzip2(large, 1);
    Bytes large_out(large.size());
    for (size_t at : {blocks.size() / 6, blocks.size() - 2}) {
        Bytes broken = blocks;
        broken[at] ^= 0x5A;
        TempFile file(concat(bigEndian(static_cast<uint32_t>(large.size())), broken));
        EXPECT_EQ(reader.unpackVBZ(file.get(), 0, large_out.data(), large_out.size()), 0) << at;
    }
    // Lengths that are negative as int32 or above the cap, and a cut prefix.
    for (const Bytes& prefix :
         {bigEndian(0x80000000u), bigEndian(0xFFFFFFF0u),
          bigEndian(static_cast<uint32_t>(MAX_DECODED_LENGTH) + 1), Bytes{0, 0}}) {
        TempFile file(prefix.size() == 4 ? concat(prefix, stream) : prefix);
        EXPECT_EQ(reader.decodedLength(CompressionType::VBZ, file.get(), 0), 0);
        EXPECT_EQ(reader.unpackVBZ(file.get(), 0, out.data(), out.size()), 0);
    }
}

TEST(VbzTest, KeyTableCoversThePrefixButNotTheStream) {
    KeyTable key = testKey();
    DecoderProbe reader("", &key);
    Bytes data = textSample(900);
    Bytes stored = concat(throughInverse(key, bigEndian(900)), bzip2(data));
    TempFile file(stored);
    Bytes out(900);
    testing::internal::CaptureStderr();
    int32_t n = reader.unpackVBZ(file.get(), 0, out.data(), out.size());
    std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_EQ(n, 900);
    EXPECT_EQ(out, data);
    EXPECT_EQ(warning, "may not decode VBZ with key_table enabled.\n");
}

// ---- Stored entries ----

TEST(EntryDataTest, StoredEntriesPassThroughTheKeyOnlyWhenOneIsGiven) {
    Bytes plain = {'h', 'e', 'l', 'l', 'o', 0, 0xFF};
    KeyTable key = testKey();
    Bytes stored = concat({1, 2, 3}, throughInverse(key, plain));
    ArchiveEntry entry;
    entry.offset = 3;
    entry.length = static_cast<int32_t>(plain.size());
    TempFile file(stored);

    DecoderProbe keyed("", &key);
    Bytes out(16, 0xCD);
    ASSERT_EQ(keyed.readEntryData(file.get(), entry, CompressionType::None, out.data(), 16), 7);
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), out.begin()));
    EXPECT_EQ(out[7], 0xCD);

    DecoderProbe plain_reader;
    ASSERT_EQ(plain_reader.readEntryData(file.get(), entry, CompressionType::None, out.data(), 4),
              4);
    EXPECT_TRUE(std::equal(stored.begin() + 3, stored.begin() + 7, out.begin()));

    // Offsets or lengths past the end of the file read what is there, or nothing.
    entry.offset = 8;
    EXPECT_EQ(plain_reader.readEntryData(file.get(), entry, CompressionType::None, out.data(), 16),
              2);
    entry.offset = -1;
    EXPECT_EQ(plain_reader.readEntryData(file.get(), entry, CompressionType::None, out.data(), 16),
              0);
}

} // namespace
} // namespace velmora
